#pragma once
// A stand-in for a device's command-session listener, made of plain sockets: either
// scripted from the test thread (Accept, Send, Receive) or answering each line on a
// thread of its own the way a device does, with the greeting, replies and prompts.
// Thread-bound to the test thread; the answering thread owns the connection once started.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

class TestSessionServer
{
public:
    using Answer = std::function<std::string(const std::string& line)>;

    TestSessionServer(const std::string& address, std::uint16_t port);
    ~TestSessionServer();
    TestSessionServer(const TestSessionServer&) = delete;
    TestSessionServer& operator=(const TestSessionServer&) = delete;

    // False when no client connected in time.
    bool Accept(std::chrono::milliseconds timeout);
    void Send(const std::string& bytes);
    // Up to `count` bytes, waiting at most `timeout` for each piece.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout);
    void CloseConnection();

    // Greets the accepted client, then answers every line (as received, without its
    // "\n") with `answer`'s text and the prompt until the client goes away.
    void AnswerInBackground(Answer answer);

private:
    bool SendAll(const std::string& bytes);
    bool AnswerLines(const std::string& chunk, const Answer& answer);

    int listener_ = -1;
    int connection_ = -1;
    std::thread answering_;
};
