#include "HelpTexts.h"

#include "WindowsNames.h"

std::string GeneralHelp() {
  return "Usage: tarnwick-pack COMMAND [OPTIONS]\n"
         "\n"
         "Builds, inspects, verifies and extracts launcher packages.\n"
         "\n"
         "Commands:\n"
         "  build    turn setup programs into a launcher file\n"
         "  inspect  show the header, the config and the texts of a launcher file\n"
         "  verify   run the launcher's own checks on a launcher file\n"
         "  extract  write a decoded setup program out of a launcher file\n"
         "\n"
         "tarnwick-pack COMMAND --help shows the options of a command.\n";
}

std::string CommandHelp(const std::string& command) {
  if (command == "build")
    return "Usage: tarnwick-pack build -o OUT [--stub FILE] --setup32 FILE [--setup64 FILE | --refuse-64bit]\n"
           "                          [--windows LIST] [--release-min N] [--release-max N] [--elevation N]\n"
           "                          [--bitness-message TEXT | --bitness-message-file FILE]\n"
           "                          [--version-message TEXT | --version-message-file FILE]\n"
           "                          [--detached] [--preset 0-9] [--dict-size SIZE]\n"
           "\n"
           "Writes a launcher file: the stub image with the package appended. OUT appears only when it is\n"
           "complete; on any failure nothing is left there.\n"
           "\n"
           "  -o, --output OUT           the launcher file to write\n"
           "  --stub FILE                the launcher image to append to (default: the one built in, if any);\n"
           "                             it must leave bytes 128 to 151 free for the header\n"
           "  --setup32 FILE             the 32-bit setup program\n"
           "  --setup64 FILE             the 64-bit setup program; alone, the package runs on 64-bit Windows only\n"
           "  --refuse-64bit             with --setup32 only: refuse to run on 64-bit Windows\n"
           "  --windows LIST             the Windows versions accepted: all (the default), or some of\n"
           "                             " + KnownWindowsSwitchNames() + ",\n"
           "                             separated by commas\n"
           "  --release-min N            the lowest Windows 10 release accepted, 0 to 65535 (default 0)\n"
           "  --release-max N            the highest Windows 10 release accepted, 0 to 65535 (default 65535)\n"
           "  --elevation N              the elevation mode, 0 to 255 (default 2): 1 starts a silent setup with\n"
           "                             \"runas\", 2 passes /noadmin also to a silent setup\n"
           "  --bitness-message TEXT     shown when the package does not suit the bitness of Windows\n"
           "  --bitness-message-file F   the same, read from a UTF-8 file\n"
           "  --version-message TEXT     shown when the Windows version is refused; %USER% and %user%\n"
           "                             stand for the name of that version\n"
           "  --version-message-file F   the same, read from a UTF-8 file\n"
           "  --detached                 the launcher neither waits for the setup program nor deletes it\n"
           "  --preset 0-9               LZMA preset (default 6)\n"
           "  --dict-size SIZE           LZMA dictionary size, 4K to 1536M (default: the preset's)\n"
           "\n"
           "Texts are at most 65535 UTF-16 code units; a setup program at most 2147352576 bytes.\n";
  if (command == "inspect")
    return "Usage: tarnwick-pack inspect FILE [--json]\n"
           "\n"
           "Shows the header, the config (Windows versions by name, release range, elevation mode, both\n"
           "payload references, both texts), whether the CRC matches, and the bytes after the package (such\n"
           "as a certificate table). Nothing is decoded and nothing is judged: verify does that.\n"
           "\n"
           "  --json                     one JSON object instead of lines\n";
  if (command == "verify")
    return "Usage: tarnwick-pack verify FILE\n"
           "\n"
           "Runs the launcher's own checks with the launcher's own code: the file size, the CRC, the config,\n"
           "then every setup program that a run can choose, decoded to exactly its size. Ends with status 0\n"
           "when the launcher would get as far as writing its temporary copy; otherwise prints the message\n"
           "the launcher would show and ends with status 1.\n";
  if (command == "extract")
    return "Usage: tarnwick-pack extract FILE --payload 32|64 -o OUT\n"
           "\n"
           "Runs the checks of verify and writes the decoded setup program to OUT, which appears only when\n"
           "it is complete.\n"
           "\n"
           "  --payload 32|64            which setup program\n"
           "  -o, --output OUT           where it goes\n";
  return std::string();
}
