#include "cli/quorvelctl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_error.h"
#include "cli/commands.h"

namespace quorvel::cli {
namespace {

const char* const VERSION = "0.1.0";

const char* const HELP = R"(usage: quorvelctl [options] COMMAND [ARGS...]

Configures the keyboard from the command line: key assignments, macros, lighting
and the three on-board profiles. Everything is written into the keyboard.

Options (before the command):
  --virtual          use the virtual keyboard (libHidServVirtual.so; also
                     QUORVEL_HIDSERV=virtual)
  --json             machine-readable output (one JSON object per command)
  --data-dir DIR     data folder instead of Documents/Quorvel_09A
  -q, --quiet        no confirmations, progress or keyboard messages
  -y, --yes          answer yes when the keyboard side asks a question
  --dry-run          print each frame the command would send (one per line, in
                     hex) and their count; send no write frame, change no file
  --full             forget what is known of the keyboard: read and write
                     everything (for a keyboard other software changed)
  --no-check         do not read back what a write wrote
  --help             this text
  --version          the version

Commands:
  status                       keyboard present, active profile, macro space, modes
  profile                      the active on-board profile (1-3)
  profile set N                make profile N (1-3) the active one
  export [--format fwc|json] FILE
                               save all profiles and macros to a profile file
                               (.fwc), or as a JSON document with the lighting
                               (--format json, or a name ending in .json)
  import [--changes-only] FILE load a profile file or JSON document (told
                               apart by content) and write all three profiles
                               (in full, or only what differs)
  verify                       compare the keyboard's key tables and macro
                               area with the profile files, its lighting with
                               what was last written or read; exit 1 naming
                               each differing area and offset
  keys [--profile N]           every assigned key of a profile (default: active)
  key set KEY ASSIGNMENT [--bank a|b]
                               assign a key of the active profile and write it
  names [keys|media|functions] the names KEY and ASSIGNMENT accept
  macros                       the macros on the keyboard
  macro show ID                one macro with its steps
  macro add NAME [--cycles N] STEP...
                               a new macro (takes the lowest free id)
  macro delete ID              delete a macro; keys that played it go back to
                               their default
  lighting                     the active profile's lighting
  lighting set KEY=VALUE...    change lighting settings (see below)
  lighting default             restore the default lighting
  usermode [list]              the user-defined per-key colour modes (1-10)
  usermode set N               make user mode N current and send its colours
  usermode paint POS COLOUR    colour one key of the current user mode; POS is a
                               key name, Fn or a matrix position 0-125; COLOUR
                               is RRGGBB or "base" (the mode's base colour)
  app-profile [list]           the program rules: which profile the window makes
                               active while a program's window is in front
  app-profile set PROGRAM N    switch to profile N (1-3) for PROGRAM: an
                               application id (X11 WM_CLASS class, Wayland
                               app_id) or executable file name, in any case
  app-profile remove PROGRAM   remove the rule for PROGRAM
  app-profile default N|none   the profile for windows no rule names, or none
                               to leave the profile alone
  app-profile on|off           switch by program, or not

KEY: a key name as `names keys` lists it, in any case ("Caps Lock" quoted,
Up/Down/Left/Right for the arrows), a scan code such as 0x03A, or G1-G9 with
--bank a|b (default a). G-key assignments are kept in the profile file only:
the keyboard's key table has no place for them.

ASSIGNMENT: default | disable | stop-macro | key:NAME | macro:ID[xCYCLES] |
media:INDEX|NAME | function:INDEX|NAME. xCYCLES sets how often the macro plays
(1-255); cycles belong to the macro, so every key playing it follows.

Macro steps: KEY+ presses KEY, KEY- releases it, and a number is the pause in
milliseconds (0-40000; the keyboard keeps tens of ms) after the step before it.
Example: quorvelctl macro add Hello Shift+ H+ 20 H- Shift- 50 I+ 20 I-
At most 2000 steps and 100 macros. Macro ids are the macros' positions on the
keyboard: deleting a macro moves the ones after it up by one.

Lighting settings: mode=ID (a mode the keyboard offers, see status),
brightness=0-5, speed=0-5 (5 fastest), direction=0|1, colourful=0|1,
colour=RRGGBB, preset=0-3 (red, yellow, green, blue), base=RRGGBB (user mode
base colour), rate=0-3 (USB report rate index). Each is written at once.

The program rules live in $XDG_CONFIG_HOME/quorvel/app-profiles.json (else
~/.config/quorvel/); the running window follows a change within 2 seconds.
app-profile needs no keyboard.

Profiles are numbered 1-3 here; JSON fields ending in "Index" count from 0.

Exit status: 0 success, 1 keyboard absent or a keyboard command failed,
2 bad usage or a bad file.
)";

struct Command {
    const char* name;
    void (*run)(Session&, Args&);
};

constexpr Command COMMANDS[] = {
    {"status", RunStatus},
    {"profile", RunProfile},
    {"export", RunExport},
    {"import", RunImport},
    {"keys", RunKeys},
    {"key", RunKey},
    {"names", RunNames},
    {"macros", RunMacros},
    {"macro", RunMacro},
    {"lighting", RunLighting},
    {"usermode", RunUserMode},
    {"verify", RunVerify},
    {"app-profile", RunAppProfile},
};

int Fail(const CliError& error) {
    std::fprintf(stderr, "quorvelctl: %s\n", error.message.c_str());
    return error.exitCode;
}

}  // namespace

int RunQuorvelCtl(int argc, char** argv) {
    GlobalOptions options;
    const char* hidserv = std::getenv("QUORVEL_HIDSERV");
    options.virtualKeyboard = hidserv != nullptr && std::strcmp(hidserv, "virtual") == 0;
    int k = 1;
    try {
        for (; k < argc && argv[k][0] == '-'; ++k) {
            std::string option = argv[k];
            if (option == "--help" || option == "-h") {
                std::fputs(HELP, stdout);
                return EXIT_OK;
            } else if (option == "--version") {
                std::printf("quorvelctl %s\n", VERSION);
                return EXIT_OK;
            } else if (option == "--virtual") {
                options.virtualKeyboard = true;
            } else if (option == "--json") {
                options.json = true;
            } else if (option == "-q" || option == "--quiet") {
                options.quiet = true;
            } else if (option == "-y" || option == "--yes") {
                options.yes = true;
            } else if (option == "--dry-run") {
                options.dryRun = true;
            } else if (option == "--full") {
                options.full = true;
            } else if (option == "--no-check") {
                options.noCheck = true;
            } else if (option == "--data-dir") {
                if (k + 1 >= argc || argv[k + 1][0] == '\0')
                    throw UsageError("--data-dir needs a folder");
                options.dataDir = argv[++k];
            } else {
                throw UsageError("unknown option " + option + " (see quorvelctl --help)");
            }
        }
        if (k >= argc) throw UsageError("no command given (see quorvelctl --help)");
        std::string name = argv[k];
        const Command* command = nullptr;
        for (const Command& c : COMMANDS)
            if (name == c.name) command = &c;
        if (!command) throw UsageError("unknown command " + name + " (see quorvelctl --help)");

        Args args(name, std::vector<std::string>(argv + k + 1, argv + argc));
        // Accepted after the command too, where a writing command's own options stand.
        options.full = args.TakeFlag("full") || options.full;
        options.dryRun = args.TakeFlag("dry-run") || options.dryRun;
        options.noCheck = args.TakeFlag("no-check") || options.noCheck;
        Session session(options);
        try {
            command->run(session, args);
        } catch (const CliError&) {
            session.EndProgress();
            session.PrintDryRun();
            throw;
        }
        session.PrintDryRun();
    } catch (const CliError& error) {
        return Fail(error);
    }
    return EXIT_OK;
}

}  // namespace quorvel::cli
