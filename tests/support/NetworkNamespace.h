#pragma once
// Moves the calling process into a fresh network namespace of its own with the
// loopback interface up, so that tests can bind the protocol's fixed ports on
// 127.0.0.0/8 without colliding with each other or with anything on the host.
// Needs root (CAP_SYS_ADMIN). Called once, before any thread is started.

#include <string>

namespace BriselTest
{
// Returns an empty string on success, otherwise a description of what failed.
std::string EnterFreshNetworkNamespace();

// Brings the named interface up in the current namespace; empty string on success.
std::string BringInterfaceUp(const std::string& name);
} // namespace BriselTest
