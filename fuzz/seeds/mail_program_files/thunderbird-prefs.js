0// Mozilla User Preferences

user_pref("mail.accountmanager.accounts", "account1,account2");
user_pref("mail.server.server1.hostname", "imap.example.org");
user_pref("mail.server.server1.type", "imap");
user_pref("mail.server.server2.hostname", "pop.example.org");
user_pref("mail.server.server2.port", 995);
user_pref("mail.server.server2.realuserName", "ann\u00e9");
user_pref("mail.server.server2.socketType", 3);
user_pref("mail.server.server2.type", "pop3");
user_pref("mail.server.server2.userName", "ann");
