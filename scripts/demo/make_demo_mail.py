#!/usr/bin/env python3
"""Writes the demo mailbox: a Dovecot maildir holding good mail and junk, always the same.

    make_demo_mail.py MAILDIR

Every name, address and domain is made up (example.org, example.com, example.net, .invalid).
"""
import base64
import email.utils
import os
import quopri
import random
import sys
from datetime import datetime, timedelta, timezone

BASE = datetime(2026, 3, 2, 8, 15, tzinfo=timezone.utc)
TO = "Dana Demo <demo@example.org>"

GOOD = [
    ("Alex Rivera <alex.rivera@example.org>", "Minutes of Tuesday's planning meeting",
     "Hi Dana,\n\nattached are the notes from Tuesday. Next review is on the 12th.\n\nAlex\n"),
    ("Alex Rivera <alex.rivera@example.org>", "Re: budget figures for Q2",
     "The numbers look right to me. Let's go with option B.\n"),
    ("Mum <margaret.demo@example.net>", "Sunday lunch",
     "Are you coming on Sunday? Dad is making his lasagne.\n\nLove, Mum\n"),
    ("Bookshop Orders <orders@books.example.com>", "Your order 48213 has shipped",
     "Your order of 2 items has shipped and should arrive within 3 days.\n"),
    ("Tracker <noreply@tracker.example.org>", "[Issue 412] Crash when saving an empty file",
     "Sam commented:\n\n> Reproduced on the nightly build; patch attached.\n"),
    ("Climbing Club <news@club.example.net>", "April newsletter: new routes and the spring trip",
     "Three new routes opened this month. Sign-up for the spring trip closes on Friday.\n"),
    ("Priya Shah <priya@example.com>", "=?UTF-8?Q?Caf=C3=A9_on_Thursday=3F?=",
     "Same place as last time? 10:30 works for me.\n"),
    ("Library <library@city.example.org>", "Reminder: two books due next week",
     "\"The Long Way Round\" and \"Tidewater\" are due on 9 March.\n"),
    ("Alex Rivera <alex.rivera@example.org>", "Slides for Friday",
     "Here is the draft deck; comments welcome before Thursday.\n" + "Slide notes. " * 4500),
    ("Bank Statements <statements@bank.example.com>", "Your monthly statement is ready",
     "Your statement for February is ready in online banking.\n"),
    ("Jonas Berg <jonas@example.net>", "Photos from the hike",
     "Uploaded them to the shared album. The view from the ridge came out well!\n"),
    ("Dentist Office <appointments@dental.example.org>", "Appointment confirmation 14 March",
     "This confirms your appointment on 14 March at 09:00.\n"),
    ("Tracker <noreply@tracker.example.org>", "[Issue 415] Add a dark theme",
     "Priya opened a new issue.\n"),
    ("Priya Shah <priya@example.com>", "Re: recipe",
     "It's two cups of flour, not three. Sorry!\n"),
    ("Power Company <billing@power.example.com>", "Your energy usage this month",
     "You used 8% less energy than last month.\n"),
    ("Mum <margaret.demo@example.net>", "=?UTF-8?B?R3LDvMOfZSBhdXMgV2llbg==?=",
     "Auntie sends her love from Vienna.\n"),
]

JUNK = [
    ("Best Deals <deals@offers.example.com>", "LOSE WEIGHT FAST WITH THIS ONE TRICK",
     "Doctors hate it! Click here.\n", None),
    ("Lucky Palace <vip@casino.invalid>", "Your casino bonus of $500 is waiting",
     "Claim your free spins today only.\n", None),
    ("4829173 <4829173@mailer.invalid>", "You have won a new phone!!!",
     "Reply with your address to claim your prize.\n", None),
    ("Accounts Dept <billing@invoices.invalid>", "Overdue invoice 99121 - final notice",
     "Open the attached invoice immediately to avoid charges.\n", "collect@payments.invalid"),
    ("Work@Home <jobs@income.example.com>", "Work from home and earn $3000 a week",
     "No experience needed. Act now!\n", None),
    ("Pharmacy Direct <rx@pills.invalid>", "Cheap meds, no prescription needed",
     "Order now, discreet shipping.\n", "orders@pills-elsewhere.invalid"),
    ("Crypto Gains <info@coin.invalid>", "MAKE MONEY FAST with crypto",
     "Double your money in a week, risk-free.\n", None),
    ("Secure Team <security@account-check.invalid>", "Your account will be suspended",
     "Verify your password within 24 hours.\n", "harvest@phish.invalid"),
    ("Prize Dept <prizes@lottery.invalid>", "CONGRATULATIONS WINNER",
     "You are our lucky winner of 1,000,000.\n", None),
    ("Diet Shop <shop@slim.example.com>", "Weight loss secrets revealed",
     "Lose 10 kg in 10 days.\n", None),
    ("Super Offers <offers@deals.invalid>", "100% FREE gift card - limited time offer",
     "Only 3 left. Claim yours.\n", None),
    ("773311 <773311@bulk.invalid>", "Re: your request",
     "As requested, here is the offer you asked about.\n", "bulk@bulk-other.invalid"),
    ("Casino Royale Online <play@royale.invalid>", "Play tonight: 200 free spins",
     "Register now and get 200 free spins.\n", None),
    ("Loans Fast <loans@credit.invalid>", "APPROVED: your loan of $25,000",
     "No credit check. Act now!\n", None),
    ("Replica Watches <sales@watches.invalid>", "Luxury watches at 90% off",
     "Best replicas on the market.\n", None),
    ("Investment Club <club@stocks.invalid>", "This stock will triple next week",
     "Insider tip: buy before Monday.\n", None),
    ("SEO Experts <seo@rank.invalid>", "Get to #1 on every search engine",
     "Guaranteed results or your money back.\n", None),
    ("Dating Now <hello@meet.invalid>", "Someone wants to meet you tonight",
     "See who viewed your profile.\n", None),
    ("Herbal Boost <info@herbs.invalid>", "Natural energy booster - risk-free trial",
     "Feel 20 years younger.\n", None),
    ("Refund Office <refund@tax.invalid>", "You are eligible for a tax refund",
     "Fill in your card details to receive your refund.\n", "refunds@tax-other.invalid"),
]


def message(index, sender, subject, body, reply_to, when):
    headers = [
        ("Return-Path", "<" + email.utils.parseaddr(sender)[1] + ">"),
        ("Date", email.utils.format_datetime(when)),
        ("From", sender),
        ("To", TO),
        ("Subject", subject),
        ("Message-ID", "<demo-%03d@mail.example.org>" % index),
        ("MIME-Version", "1.0"),
    ]
    if reply_to:
        headers.append(("Reply-To", reply_to))
    if index % 3 == 0:
        encoded = quopri.encodestring(body.encode("utf-8")).decode("ascii")
        encoding = "quoted-printable"
    elif index % 5 == 0:
        encoded = base64.encodebytes(body.encode("utf-8")).decode("ascii")
        encoding = "base64"
    else:
        encoded, encoding = body, "8bit"
    headers.append(("Content-Type", "text/plain; charset=UTF-8"))
    headers.append(("Content-Transfer-Encoding", encoding))
    text = "".join("%s: %s\n" % pair for pair in headers) + "\n" + encoded
    return text.replace("\n", "\r\n").encode("utf-8")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_demo_mail.py MAILDIR")
    maildir = sys.argv[1]
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    mail = [(s, subj, body, None) for s, subj, body in GOOD] + JUNK
    random.Random(1998).shuffle(mail)
    for index, (sender, subject, body, reply_to) in enumerate(mail, start=1):
        when = BASE + timedelta(minutes=47 * index)
        data = message(index, sender, subject, body, reply_to, when)
        name = "%d.M%dP1.demo,S=%d" % (int(when.timestamp()), index, len(data))
        with open(os.path.join(maildir, "new", name), "wb") as out:
            out.write(data)
    print(len(mail))


if __name__ == "__main__":
    main()
