#!/usr/bin/env python3
"""Writes a benchmark rule set into a program folder: about 200 rules over the four rule files
(subj.lst, header.lst, from.lst, except.lst), a known-spammer list of 100 entries (known.lst) and
the spam options (kelvane.ini) with the sender-domain check off, so that a check needs no DNS.

Most rules are the kind a user collects over the years and never match the benchmark mailbox
(bench/Pop3ListingBench.cpp: senders newsN@example.com for N = n % 97, subjects "Offer number n
for you"); the rules under HITS do, so that each rule file and the known-spammer list mark some
messages and the marks can be checked.

    make_rules.py FOLDER              write the files
    make_rules.py --no-rules FOLDER   write the spam options alone, for a check without rules
    make_rules.py --hits FOLDER       print the hit counts the last check stored in the rule files
"""
import argparse
import os
import sys

# Layout of each rule file: column count, default column widths, headings of row 0.
LAYOUTS = {
    "subj.lst": (6, [20, 112, 231, 29, 39, 38], ["", "What", "Matches", "Case", "Del?", "Hits"]),
    "header.lst": (6, [20, 130, 231, 29, 39, 38], ["", "What", "Matches", "Case", "Del?", "Hits"]),
    "from.lst": (6, [20, 100, 130, 200, 39, 38],
                 ["", "What", "Condition", "Matches", "Del?", "Hits"]),
    "except.lst": (7, [100, 130, 200, 40, 38, 20, 0],
                   ["What", "Condition", "Matches", "Case?", "Hits", "", ""]),
}
HIT_COLUMN = {"subj.lst": 5, "header.lst": 5, "from.lst": 5, "except.lst": 4}


def yes(flag):
    return "Yes" if flag else "No"


SUBJECT_WORDS = """viagra cialis casino lottery jackpot winner inheritance beneficiary bitcoin
crypto forex payday refinance mortgage rolex replica pharmacy pills weightloss diet slimming
enlargement dating singles hookup webcam unclaimed prize sweepstakes bonus millionaire investment
stocks penny rebate warranty timeshare loans debt credit""".split()
SUBJECT_PHRASES = ["act now", "limited time", "free gift", "100% free", "risk free",
                   "no obligation", "click here", "order now", "lowest price", "best price",
                   "urgent reply", "dear friend", "make money", "earn extra", "work from home",
                   "as seen on", "meet singles", "increase your", "you have been selected",
                   "congratulations"]


def subject_rules():
    # (operator, value, case sensitive, deletes)
    rules = [("Contains (whole word)", word, False, True) for word in SUBJECT_WORDS]
    rules += [("Contains", phrase, False, i % 3 != 0) for i, phrase in enumerate(SUBJECT_PHRASES)]
    rules += [("Starts with", prefix, True, True)
              for prefix in ["ADV:", "[SPAM]", "***SPAM***", "RE: RE: RE:", "Fwd: Fw: Fw:", "$$$",
                             "!!!", "URGENT"]]
    rules += [("Ends with", "!!!", False, True), ("Ends with", "$$$", False, True),
              ("Ends with", "(ad)", False, False)]
    rules += [("Equals", text, True, False)
              for text in ["Hi", "hello", "Re:", "Your account", "Important notice",
                           "(no subject)"]]
    rules += [("Is UPPERCASE", "", False, False), ("Is blank", "", False, False)]
    # HITS: every tenth plain subject ends so (check mark); "number 19" also starts the numbers
    # 190-199 and 1900-1999 (question mark).
    rules += [("Ends with", "7 for you", False, True), ("Contains", "number 19", False, False)]
    return [["", op, value, yes(case), yes(deletes), "0"] for op, value, case, deletes in rules]


HEADER_CONTAINS = ["X-Mailer: Group Mail", "X-Mailer: Bulk", "X-Mailer: Mass Mailer",
                   "X-Mailer: Advanced Mass Sender", "X-Mailer: The Bat! (v1.0",
                   "X-Priority: 1 (Highest)", "X-MSMail-Priority: High", "X-Spam-Flag: YES",
                   "X-Spam-Status: Yes", "X-Advertisement", "X-Library: Indy", "Precedence: bulk",
                   'charset="ks_c_5601-1987"', 'charset="gb2312"', 'charset="koi8-r"',
                   'charset="windows-1251"', "Content-Type: text/html", "Received: from unknown",
                   "(may be forged)", "with SMTP id unknown", "X-AntiAbuse:", "X-PHP-Script:",
                   "X-PHP-Originating-Script:", "X-Originating-IP: [10.", "dkim=fail", "spf=fail",
                   "spf=softfail", "dmarc=fail", "X-Campaign", "X-Mailer-SID"]


def header_rules():
    # (operator or special word, value, case sensitive, deletes)
    rules = [("Contains", text, False, i % 4 != 3) for i, text in enumerate(HEADER_CONTAINS)]
    rules += [("Starts with", text, True, True)
              for text in ["X-Bulkmail", "X-List-Unsubscribe", "X-MC-User", "X-Newsletter"]]
    rules += [("Ends with", "(Unverified)", False, False),
              ("Ends with", "@localhost>", False, True)]
    # The special rules compare the sender with To and Reply-To; none of them hits.
    rules += [("To does not contain", "ann@example.net - MailBox #1", False, False),
              ("Sender", "does not match Reply-to", False, False),
              ("Sender", "equals To field", False, False)]
    # HITS: one message in sixty was sent at 10:59 (question mark).
    rules += [("Starts with", "Date: Mon, 4 Mar 2024 10:59", True, False)]
    return [["", op, value, yes(case), yes(deletes), "0"] for op, value, case, deletes in rules]


SPAM_DOMAINS = ["cheap-meds.example", "lottery-intl.example", "best-loans.example",
                "replica-watch.example", "singles-near.example", "bulk-sender.test",
                "promo-blast.test", "casino-royal.example", "crypto-gains.test",
                "diet-wonder.example"]
SPAM_USERS = ["offers", "winner", "info", "deals", "support"]


def sender_rules():
    # (kind, operator, value, deletes)
    rules = [("E-mail address", "Equals", f"{SPAM_USERS[i % 5]}@{SPAM_DOMAINS[i % 10]}", True)
             for i in range(30)]
    rules += [("Domain name", "Equals", domain, True) for domain in SPAM_DOMAINS[:8]]
    rules += [("Domain name", "Ends with", tld, i % 2 == 0)
              for i, tld in enumerate([".top", ".xyz", ".click", ".loan", ".work", ".bid",
                                       ".win", ".date", ".racing", ".review"])]
    rules += [("E-mail address", "Contains", text, False)
              for text in ["noreply-deals", "promo", "marketing@", "newsletter@", "mailer-daemon",
                           "bounce-", "campaign", "unsubscribe"]]
    rules += [("E-mail address", op, "", False)
              for op in ["All numeric", "50% numeric", "First char numeric"]]
    # HITS: one sender of the 97 (check mark).
    rules += [("E-mail address", "Equals", "news13@example.com", True)]
    return [["", kind, op, value, yes(deletes), "0"] for kind, op, value, deletes in rules]


def exception_rules():
    # (kind, operator, value, case sensitive, picture)
    rules = [("E-mail address", "Equals", f"{name}@{domain}", False, 3 + i % 4)
             for i, (name, domain) in enumerate(
                 [("mum", "family.example"), ("dad", "family.example"), ("bo", "friends.test"),
                  ("carla", "friends.test"), ("billing", "power-company.example"),
                  ("orders", "bookshop.example"), ("alerts", "bank.example"),
                  ("tickets", "railway.example")])]
    rules += [("Domain name", "Equals", domain, False, 7)
              for domain in ["work.example", "bank.example", "school.test", "doctor.example",
                             "club.test", "council.example"]]
    rules += [("Subject", "Contains", "invoice", False, 8),
              ("Subject", "Contains (whole word)", "meeting", False, 8),
              ("Any Header", "Contains", "X-Kelvane-Accept: yes", True, 9),
              ("To:", "Contains", "ann+lists@example.net", False, 10),
              ("List-Id:", "Contains", "kelvane-users", False, 11)]
    # HITS: one sender of the 97 is a friend, whatever else matches.
    rules += [("E-mail address", "Equals", "news5@example.com", False, 4)]
    return [[kind, op, value, yes(case), "0", "", str(picture)]
            for kind, op, value, case, picture in rules]


def known_spammers():
    users = ["sales", "offers", "win", "cash", "promo", "hot", "vip"]
    domains = [f"spam{i:02d}.example" for i in range(10)]
    entries = [f"{users[i % 7]}{i}@{domains[i % 10]}" for i in range(70)]
    entries += [f"bulk{i:02d}.test" for i in range(28)]
    # HITS: two senders of the 97.
    entries += ["news42@example.com", "news77@example.com"]
    return entries


def rule_file_text(name, rules):
    columns, widths, headings = LAYOUTS[name]
    lines = [f"{columns},{len(rules) + 1}"]
    lines += [f"cw {c},{width}" for c, width in enumerate(widths)]
    for row, cells in enumerate([headings] + rules):
        lines += [f"{c},{row},{text}" for c, text in enumerate(cells) if text]
    return "".join(line + "\r\n" for line in lines)


# Size limits on, the known-spammer list on, the sender-domain check off (no DNS).
SPAM_OPTIONS = ["[Smaller]", "QSmaller=1", "Num=100", "Check=1",
                "[Larger]", "QLarger=1", "Num=100000", "Check=0",
                "[Known]", "QMonitor=1", "Valid=0", "Question=0", "Num=0"]


def write_options(folder):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "kelvane.ini"), "w", newline="") as out:
        out.write("".join(line + "\r\n" for line in SPAM_OPTIONS))


def write_rules(folder):
    write_options(folder)
    tables = {"subj.lst": subject_rules(), "header.lst": header_rules(),
              "from.lst": sender_rules(), "except.lst": exception_rules()}
    for name, rules in tables.items():
        with open(os.path.join(folder, name), "w", newline="") as out:
            out.write(rule_file_text(name, rules))
    known = known_spammers()
    with open(os.path.join(folder, "known.lst"), "w", newline="") as out:
        out.write("".join(entry + "\r\n" for entry in known))
    counts = ", ".join(f"{len(rules)} {name}" for name, rules in tables.items())
    total = sum(len(rules) for rules in tables.values())
    print(f"{total} rules ({counts}), {len(known)} known spammers")


def stored_hits(folder):
    """The sum of the hit column of each rule file, as the last check saved it."""
    sums = {}
    for name in LAYOUTS:
        total = 0
        with open(os.path.join(folder, name), newline="") as rules:
            for line in rules.read().split("\r\n")[1:]:
                parts = line.split(",", 2)
                if len(parts) == 3 and parts[0] == str(HIT_COLUMN[name]) and parts[1] != "0":
                    total += int(parts[2]) if parts[2].isdigit() else 0
        sums[name] = total
    return sums


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    what = parser.add_mutually_exclusive_group()
    what.add_argument("--hits", action="store_true",
                      help="print the stored hit counts instead of writing")
    what.add_argument("--no-rules", action="store_true", help="write the spam options alone")
    parser.add_argument("folder")
    args = parser.parse_args()
    if args.hits:
        sums = stored_hits(args.folder)
        print(", ".join(f"{name} {hits}" for name, hits in sums.items()))
        return 0 if all(sums.values()) else 1
    if args.no_rules:
        write_options(args.folder)
    else:
        write_rules(args.folder)
    return 0


if __name__ == "__main__":
    sys.exit(main())
