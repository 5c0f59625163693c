#include "cli/usage.h"

namespace quernel {

const char* const kUsageText =
    "Usage: quernel [Options] Infile [Output directory]\n"
    "       quernel -tree [Options] Store Output\n\n"
    "Available options:\n"
    "  -mbx[naming]   Saves all messages in mboxo-format (default)\n"
    "  -mbxrd[naming] Saves all messages in mboxrd-format\n"
    "  -dn            Always add a double newline at the end of a message\n"
    "  -ic            Ignore case when replacing 'From'\n"
    "  -ff            Flat folders, do not create subdirectories for eml files\n"
    "  -eml[naming]   Saves all messages in eml-format\n"
    "                 By default, all messages will be saved into a\n"
    "                 subdirectory named as the dbx-file.\n"
    "                 Use -ff to store all messages into one folder.\n"
    "  -senddate      Uses send date as timestamp (default)\n"
    "  -rcvdate       Uses receive date as timestamp\n"
    "  -overwrite     Overwrite existing messages with same name\n"
    "  -maildir       Saves all messages in Maildir-format, in a\n"
    "                 subdirectory named as the dbx-file\n"
    "  -flags         Adds read, replied and flagged state as\n"
    "                 Status-lines to mbox and eml messages\n"
    "  -tree          Converts a whole store (its folder or Folders.dbx) with\n"
    "                 its folder tree into Output, in one format: mbox files\n"
    "                 as Thunderbird keeps them, eml folders (-ff ignored)\n"
    "                 or a Maildir++ tree (-maildir)\n"
    "  -recover       Also rescues what the index does not give: lost messages\n"
    "                 (recovered), deleted ones and the readable part of\n"
    "                 damaged ones, each set kept apart (see README)\n"
    "  -cp<N>         Reads subjects and names in Windows code page N\n"
    "                 (874, 932, 936, 949, 950, 1250 to 1258). Default:\n"
    "                 found per mailbox from its messages on Linux,\n"
    "                 the system's code page on Windows.\n"
    "  -?             Shows this message\n";

}  // namespace quernel
