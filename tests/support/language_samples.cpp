#include "support/language_samples.h"

namespace quernel::testing {
namespace {

std::vector<LanguageMailbox> MakeLanguageMailboxes() {
  return {
      {"Russian",
       1251,
       {
           // Headers in koi8-r, quoted-printable: the record still holds 1251.
           {"\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2",
            "Subject: =?koi8-r?Q?=F0=D2=C9=D7=C5=D4,_=CD=C9=D2?=\r\n"
            "From: =?koi8-r?Q?=E9=D7=C1=CE_=F0=C5=D4=D2=CF=D7?= <ivan@example.ru>\r\n",
            "Привет, мир", "Иван Петров"},
           // UTF-8 base64, the name inside quotes as Outlook Express wrote it.
           {"\xCE\xF2\xF7\xB8\xF2 \xE7\xE0 \xEC\xE0\xE9", "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2",
            "Subject: =?utf-8?B?0J7RgtGH0ZHRgiDQt9CwINC80LDQuQ==?=\r\n"
            "From: \"=?utf-8?B?0JjQstCw0L0g0J/QtdGC0YDQvtCy?=\" <ivan@example.ru>\r\n",
            "Отчёт за май", "Иван Петров"},
           // Raw 8-bit koi8-r text with the charset in Content-Type.
           {"Re: \xCE\xF2\xF7\xB8\xF2 \xE7\xE0 \xEC\xE0\xE9", "ivan@example.ru",
            "Subject: Re: \xEF\xD4\xDE\xA3\xD4 \xDA\xC1 \xCD\xC1\xCA\r\n"
            "From: ivan@example.ru\r\n"
            "Content-Type: text/plain; charset=\"koi8-r\"\r\n",
            "Re Отчёт за май", "ivan@example.ru"},
           // Headers that name the wrong charset: only 1252 explains this one.
           {"\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", "Anna",
            "Subject: =?iso-8859-1?Q?=CF=F0=E8=E2=E5=F2,_=EC=E8=F0?=\r\n"
            "From: Anna <anna@example.ru>\r\n",
            "Привет, мир", "Anna"},
       }},
      {"Greek",
       1253,
       {
           {"\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1 \xEA\xFC\xF3\xEC\xE5", "x",
            "Subject: =?iso-8859-7?Q?=CA=E1=EB=E7=EC=DD=F1=E1_=EA=FC=F3=EC=E5?=\r\n", "Καλημέρα κόσμε",
            "x"},
           {"\xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7", "\xC3\xE9\xFE\xF1\xE3\xEF\xF2",
            "Subject: =?iso-8859-7?Q?=D3=F5=ED=DC=ED=F4=E7=F3=E7?=\r\n"
            "From: =?iso-8859-7?Q?=C3=E9=FE=F1=E3=EF=F2?= <g@example.gr>\r\n",
            "Συνάντηση", "Γιώργος"},
           {"Re: \xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7", "x",
            "Subject: Re: \xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7\r\n"
            "Content-Type: text/plain; charset=iso-8859-7\r\n",
            "Re Συνάντηση", "x"},
       }},
      {"Czech",
       1250,
       {
           {"P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2", "x",
            "Subject: =?utf-8?B?UMWZw61sacWhIMW+bHXFpW91xI1rw70ga8WvxYg=?=\r\n", "Příliš žluťoučký kůň", "x"},
           {"Sch\xF9zka v \xFAter\xFD", "Ji\xF8\xED Nov\xE1k",
            "Subject: =?iso-8859-2?Q?Sch=F9zka_v_=FAter=FD?=\r\n"
            "From: \"=?iso-8859-2?Q?Ji=F8=ED_Nov=E1k?=\" <jiri@example.cz>\r\n",
            "Schůzka v úterý", "Jiří Novák"},
           {"Ji\xF8\xED", "x", "Subject: =?utf-8?B?SmnFmcOt?=\r\n", "Jiří", "x"},
       }},
      {"Japanese",
       932,
       {
           // 表示テスト: the trail byte of 表 is 0x5C, "\" in ASCII.
           {"\x95\\\x8E\xA6\x83" "e\x83X\x83g", "x", "Subject: =?iso-2022-jp?B?GyRCST08KCVGJTklSBsoQg==?=\r\n",
            "表示テスト", "x"},
           {"\x89\xEF\x8B" "c\x82\xCC\x8C\x8F", "\x8ER\x93" "c\x91\xBE\x98Y",
            "Subject: =?shift_jis?B?ie+LY4LMjI8=?=\r\n"
            "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.jp>\r\n",
            "会議の件", "山田太郎"},
           {"\x8ER\x93" "c", "x",
            "Subject: \x1B$B;3ED\x1B(B\r\n"
            "Content-Type: text/plain; charset=ISO-2022-JP\r\n",
            "山田", "x"},
       }},
      {"Simplified Chinese",
       936,
       {
           {"\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7", "x", "Subject: =?gb2312?B?xOO6w8rAvec=?=\r\n", "你好世界", "x"},
           {"\xBB\xE1\xD2\xE9\xCD\xA8\xD6\xAA", "\xCD\xF5\xD0\xA1\xC3\xF7",
            "Subject: =?GB2312?B?u+HS6c2o1qo=?=\r\n"
            "From: \"=?gb2312?B?zfXQocP3?=\" <wang@example.cn>\r\n",
            "会议通知", "王小明"},
           {"\xCD\xF5", "x", "Subject: \xCD\xF5\r\nContent-Type: text/plain; charset=gbk\r\n", "王", "x"},
       }},
      {"Korean",
       949,
       {
           // 똠 is one of the extension characters that EUC-KR lacks.
           {"\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4 \x8C" "c", "x",
            "Subject: =?ks_c_5601-1987?B?vsiz58fPvLy/5CCMYw==?=\r\n", "안녕하세요 똠", "x"},
           {"\xC8\xB8\xC0\xC7 \xBE\xC8\xB3\xBB", "\xB1\xE8\xC3\xB6\xBC\xF6",
            "Subject: =?euc-kr?B?yLjAxyC+yLO7?=\r\n"
            "From: =?ks_c_5601-1987?B?sejDtrz2?= <kim@example.kr>\r\n",
            "회의 안내", "김철수"},
           {"\xB1\xE8", "x", "Subject: =?euc-kr?B?seg=?=\r\n", "김", "x"},
       }},
      {"Traditional Chinese",
       950,
       {
           {"\xC1" "c\xC5\xE9\xA4\xA4\xA4\xE5", "x", "Subject: =?big5?B?wWPF6aSkpOU=?=\r\n", "繁體中文", "x"},
           {"\xB7|\xC4\xB3\xB3q\xAA\xBE", "\xB3\xAF\xA4j\xA4\xE5",
            "Subject: =?big5?B?t3zEs7Nxqr4=?=\r\n"
            "From: =?big5?B?s6+kaqTl?= <chan@example.tw>\r\n",
            "會議通知", "陳大文"},
           {"\xB3\xAF", "x", "Subject: \xB3\xAF\r\nContent-Type: text/plain; charset=big5\r\n", "陳", "x"},
       }},
  };
}

}  // namespace

const std::vector<LanguageMailbox>& LanguageMailboxes() {
  static const std::vector<LanguageMailbox> mailboxes = MakeLanguageMailboxes();
  return mailboxes;
}

const LanguageMailbox& LanguageMailboxOf(int codePage) {
  for (const LanguageMailbox& mailbox : LanguageMailboxes()) {
    if (mailbox.codePage == codePage) return mailbox;
  }
  return LanguageMailboxes().front();
}

TestMessage ToTestMessage(const LanguageMessage& message) {
  TestMessage test;
  test.subject = message.storedSubject;
  test.senderName = message.storedSenderName;
  test.text = message.headerLines + "To: someone@example.com\r\n\r\nBody.\r\n";
  return test;
}

std::string BuildMailbox(const std::vector<LanguageMessage>& messages) {
  DbxBuilder builder;
  for (const LanguageMessage& message : messages) builder.add(ToTestMessage(message));
  return builder.build().bytes;
}

}  // namespace quernel::testing
