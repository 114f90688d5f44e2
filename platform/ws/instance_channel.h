#pragma once

#include "platform/instance.h"
#include "platform/ws/types.h"

// Registered messages between copies of a program: the copy that holds the
// instance lock listens on a channel (a FIFO) beside the lock file; a later
// copy sends a message's name through it, and the first copy posts that
// message, as registered there, to its top-level windows.
namespace vx::ws {

// The first copy: opens the channel of the lock it holds and watches it
// from the message loop. False when it cannot.
bool open_instance_channel(const platform::InstanceLock& lock);
void close_instance_channel();

// A later copy, whose probe found `lock` held: sends the registered
// message. False when no first copy listens or the message has no name.
bool send_to_first_copy(const platform::InstanceLock& lock, MessageId registered);

}  // namespace vx::ws
