#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/instance.h"
#include "platform/ws/form.h"
#include "platform/ws/instance_channel.h"
#include "platform/ws/registered_messages.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

constexpr const char* program = "/opt/vx/CQUILLHCS08.RUN";
constexpr const char* instance_name = "/OPT/VX/CQUILLHCS08.EXE CQUILLHCS08 PROGRAMMER VERSION 1.71.00.00";

class InstanceChannelTest : public testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    char pattern[] = "/tmp/vx-channel-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    runtime_ = pattern;
    setenv("VX_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VX_RUNTIME_DIR");
    std::filesystem::remove_all(runtime_);
    WindowSystemTest::TearDown();
  }

  // Processes messages until `received` or about ten seconds of real time.
  void pump_until(const bool& received) {
    platform::MonotonicClock real;
    for (int round = 0; round < 10'000 && !received; ++round) {
      process_messages();
      real.sleep_microseconds(1'000);
    }
  }

  std::filesystem::path runtime_;
};

// The second copy, as a program's start-up runs it: registers the instance
// message, finds the lock taken, and sends the message to the first copy.
int run_second_copy() {
  reset_window_system();
  const MessageId message = register_window_message(instance_name);
  platform::InstanceLock lock;
  if (!lock.probe(program)) return 2;
  return send_to_first_copy(lock, message) ? 0 : 3;
}

TEST_F(InstanceChannelTest, SecondCopysMessageReachesTheFirstCopyInAnotherProcess) {
  register_window_message("VELMORIX - MAXIMIZE IDE!");  // numbers differ between the copies
  const MessageId message = register_window_message(instance_name);
  platform::InstanceLock lock;
  ASSERT_FALSE(lock.probe(program));
  ASSERT_TRUE(open_instance_channel(lock));

  Form main_window;
  main_window.set_window_state(WindowState::minimized);
  set_main_form(&main_window);
  main_window.show();
  bool received = false;
  set_message_hook([&](Message& m) {
    if (m.id != message) return false;
    received = m.window == main_window.handle();
    restore_application();
    main_window.set_focus();
    main_window.bring_to_front();
    return true;
  });

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(run_second_copy());
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  pump_until(received);
  EXPECT_TRUE(received);
  EXPECT_EQ(main_window.window_state(), WindowState::normal);
  EXPECT_EQ(foreground_form(), &main_window);
}

TEST_F(InstanceChannelTest, NobodyListeningMeansNothingSent) {
  const MessageId message = register_window_message(instance_name);
  platform::InstanceLock first;
  ASSERT_FALSE(first.probe(program));
  platform::InstanceLock second;
  ASSERT_TRUE(second.probe(program));
  EXPECT_FALSE(send_to_first_copy(second, message)) << "the first copy opened no channel";
  ASSERT_TRUE(open_instance_channel(first));
  EXPECT_FALSE(send_to_first_copy(second, msg::user)) << "only registered messages have a name to send";
  EXPECT_FALSE(open_instance_channel(second)) << "only the holder of the lock listens";
}

TEST_F(InstanceChannelTest, ForeignBytesOnTheChannelAreDroppedSafely) {
  const MessageId message = register_window_message(instance_name);
  platform::InstanceLock lock;
  ASSERT_FALSE(lock.probe(program));
  ASSERT_TRUE(open_instance_channel(lock));
  Form window;
  int received = 0;
  set_message_hook([&](Message& m) {
    if (m.id == message) ++received;
    return false;
  });
  const std::string channel = lock.path().substr(0, lock.path().size() - 5) + ".channel";
  const int fd = open(channel.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string flood(10'000, 'x');
  const std::string unknown = std::string("NOT REGISTERED") + '\0';
  const std::string good = std::string(instance_name) + '\0';
  for (const std::string* part : {&flood, &unknown, &good}) {
    ASSERT_EQ(write(fd, part->data(), part->size()), static_cast<ssize_t>(part->size()));
  }
  close(fd);
  process_messages();
  process_messages();
  EXPECT_EQ(received, 1);
}

TEST_F(InstanceChannelTest, AStaleChannelFileIsReplacedAndARegularFileIsNeverWritten) {
  const MessageId message = register_window_message(instance_name);
  platform::InstanceLock first;
  ASSERT_FALSE(first.probe(program));
  const std::string channel = first.path().substr(0, first.path().size() - 5) + ".channel";
  std::ofstream(channel) << "left behind";
  platform::InstanceLock second;
  ASSERT_TRUE(second.probe(program));
  EXPECT_FALSE(send_to_first_copy(second, message)) << "a plain file is no channel";
  ASSERT_TRUE(open_instance_channel(first));
  struct stat info{};
  ASSERT_EQ(stat(channel.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_TRUE(send_to_first_copy(second, message));
}

}  // namespace
}  // namespace vx::ws
