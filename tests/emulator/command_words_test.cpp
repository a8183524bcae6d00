// The control socket's words without a daemon: what is refused, and that a refusal arms nothing.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "emulator/daemon_command.h"

namespace quorvel::vkbd {
namespace {

std::string Refusal(std::string_view line) {
    const auto parsed = ParseCommand(line);
    const auto* refusal = std::get_if<CommandResult>(&parsed);
    if (refusal == nullptr) return "accepted";
    EXPECT_EQ(refusal->code, EXIT_USAGE) << line;
    return refusal->text;
}

TEST(CommandWords, MalformedWordsAreRefusedWithTheirUsage) {
    for (const char* line : {"", "dump\nnow", "special\nmaybe", "special", "plug\n1", "fly"})
        EXPECT_NE(Refusal(line).find("command"), std::string::npos) << line;
    for (const std::string& line :
         std::vector<std::string>{"inject", "inject\n0", "inject\n0g", "inject\n\n01",
                                  // 65 bytes: one more than a frame holds
                                  "inject\n" + std::string(130, 'a')})
        EXPECT_EQ(Refusal(line), "usage: inject HEX... (at most 64 bytes)") << line;
    // Ten digits could overflow; a nested `after` and a wrong nested fault are refused whole.
    for (const char* line :
         {"fault", "fault\ndrop", "fault\ndrop\n1234567890", "fault\ndrop\n-1", "fault\ndrop\n1\n2",
          "fault\nstatus\nfd\n1", "fault\ndelay\n5", "fault\nafter\n1\nafter\n1\ndrop\n1",
          "fault\nafter\nx\ndrop\n1", "fault\nafter\n1\ndrop\nx", "fault\nclear\nall"})
        EXPECT_EQ(Refusal(line), FAULT_USAGE) << line;
    EXPECT_EQ(Refusal("inject\n" + std::string(128, 'F')), "accepted");
    EXPECT_EQ(Refusal("fault\ndrop\n999999999"), "accepted");
}

TEST(CommandWords, AFaultArmsOnlyWhenAllOfItsWordsAreRight) {
    Faults faults;
    faults.drop = 4;
    EXPECT_FALSE(ArmFault({"fault", "delay", "200", "x"}, faults));
    EXPECT_FALSE(ArmFault({"fault", "after", "2", "status", "fe", "y"}, faults));
    EXPECT_EQ(faults.delayMs, 0);
    EXPECT_TRUE(faults.later.empty());
    EXPECT_EQ(faults.drop, 4);

    EXPECT_EQ(ArmFault({"fault", "after", "2", "status", "fe", "1"}, faults),
              "fault after 2: status fe 1");
    EXPECT_EQ(faults.laterSkip, 2);
    EXPECT_EQ(faults.statusFe, 0) << "armed only when its frame comes";
    EXPECT_EQ(ArmFault(faults.later, faults), "fault status fe 1");
    EXPECT_EQ(faults.statusFe, 1);
    // After no frames at all is now.
    EXPECT_EQ(ArmFault({"fault", "after", "0", "echo", "3"}, faults), "fault echo 3");
    EXPECT_EQ(faults.wrongEcho, 3);
    EXPECT_EQ(ArmFault({"fault", "clear"}, faults), "fault clear");
    EXPECT_EQ(faults.drop + faults.wrongEcho + faults.statusFe, 0);
}

}  // namespace
}  // namespace quorvel::vkbd
