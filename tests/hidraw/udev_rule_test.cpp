// The udev rule's decision on each of the keyboard's hidraw nodes, made as udev makes it: the
// rule's own PROGRAM line with %S%p replaced by the node's sysfs folder, run while umockdev shows
// the nodes as the kernel would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/hidraw/hidraw_keyboard.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

std::string RuleProgram() {
    std::ifstream rule(QUORVEL_UDEV_RULE);
    const std::string text((std::istreambuf_iterator<char>(rule)), {});
    const std::string key = "PROGRAM=\"";
    const size_t start = text.find(key);
    if (start == std::string::npos) return "";
    const size_t end = text.find('"', start + key.size());
    std::string program = text.substr(start + key.size(), end - start - key.size());
    const std::string helper = "@QUORVEL_HIDRAW_ACCESS@";
    if (size_t at = program.find(helper); at != std::string::npos)
        program.replace(at, helper.size(), BinDir() + "/quorvel-hidraw-access");
    return program;
}

bool RuleGrants(std::string program, const std::string& sysfsPath) {
    const size_t at = program.find("%S%p");
    if (at == std::string::npos) return false;
    program.replace(at, 4, sysfsPath);
    return std::system(program.c_str()) == 0;
}

class UdevRule : public ::testing::TestWithParam<bool> {};

TEST_P(UdevRule, GrantsTheNodesTheProgramOpensAndNotTheTypingNode) {
    VirtualKeyboard firmware;
    HidrawKeyboard keyboard(firmware,
                            {.sharedControlInterface = GetParam(), .typingInterface = true});
    const std::string program = RuleProgram();
    ASSERT_NE(program.find("/quorvel-hidraw-access "), std::string::npos) << program;

    EXPECT_FALSE(RuleGrants(program, keyboard.SysfsPath(HidrawKeyboard::TYPING)));
    for (HidrawKeyboard::Node node :
         {HidrawKeyboard::CONSUMER, HidrawKeyboard::CONTROL, HidrawKeyboard::INDICATOR})
        EXPECT_TRUE(RuleGrants(program, keyboard.SysfsPath(node))) << node;

    // What cannot be read cannot be told apart from typing.
    keyboard.HideReportDescriptor(HidrawKeyboard::INDICATOR, true);
    EXPECT_FALSE(RuleGrants(program, keyboard.SysfsPath(HidrawKeyboard::INDICATOR)));
    EXPECT_FALSE(RuleGrants(program, "/sys/devices/no/such/hidraw/hidraw9"));
}

INSTANTIATE_TEST_SUITE_P(SeparateOrSharedControl, UdevRule, ::testing::Bool());

}  // namespace
}  // namespace quorvel::testing
