#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/pty_pair.h"

namespace vx::test {

// A program that is nothing but its window, started where no display can be used, with
// nobody at a terminal and with a terminal on stdin: each time it ends at once, not 0,
// with one line on stderr that names it.
inline void expect_refused_without_desktop(const std::string& program, const std::string& name,
                                           const std::vector<std::string>& environment) {
  const PtyPair terminal;
  ASSERT_TRUE(terminal.ok());
  for (const std::string& input : {std::string("/dev/null"), terminal.slave_path()}) {
    SCOPED_TRACE(input);
    std::vector<std::string> settings = environment;
    settings.push_back("VX_HEADLESS=1");
    ChildProcess child(program, {}, settings, input);
    EXPECT_NE(child.wait_for_exit(), 0);
    const std::string errors = child.errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_TRUE(errors.starts_with(name + " needs a desktop")) << errors;
    EXPECT_EQ(child.output(), "");
  }
}

}  // namespace vx::test
