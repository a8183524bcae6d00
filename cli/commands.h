#pragma once
// The command groups of quorvelctl. Each runs one command on the session and throws CliError
// when it cannot finish.
#include "cli/args.h"
#include "cli/session.h"

namespace quorvel::cli {

void RunStatus(Session& session, Args& args);
void RunProfile(Session& session, Args& args);  // profile, profile set N
void RunExport(Session& session, Args& args);
void RunImport(Session& session, Args& args);
void RunKeys(Session& session, Args& args);  // keys [--profile N]
void RunKey(Session& session, Args& args);   // key set KEY ASSIGNMENT [--bank a|b]
void RunNames(Session& session, Args& args);
void RunMacros(Session& session, Args& args);  // macros
void RunMacro(Session& session, Args& args);   // macro show|add|delete
void RunLighting(Session& session, Args& args);
void RunUserMode(Session& session, Args& args);
void RunVerify(Session& session, Args& args);
void RunAppProfile(Session& session, Args& args);  // app-profile list|set|remove|default|on|off

}  // namespace quorvel::cli
