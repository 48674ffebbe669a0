// The version check against small HTTP servers of the test's own on 127.0.0.1: each answer gives its outcome, an
// error status or an over-long answer is no answer, and a server that never answers ends within the time-out.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ui/VersionCheck.h"

namespace {

/// Answers every request on a loopback port with one fixed response, or, when silent, accepts and never answers.
class LocalServer
{
public:
  explicit LocalServer(std::string response, bool silent = false) : mResponse(std::move(response)), mSilent(silent)
  {
    mListen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(mListen, (sockaddr*)&addr, sizeof addr) == 0 && listen(mListen, 4) == 0 &&
        getsockname(mListen, (sockaddr*)&addr, &len) == 0)
      mPort = ntohs(addr.sin_port);
    mThread = std::thread([this] { Serve(); });
  }
  ~LocalServer()
  {
    mStop = true;
    mThread.join();
    for (int fd : mHeld) close(fd);
    close(mListen);
  }
  std::string Address() const
  {
    return "http://127.0.0.1:" + std::to_string(mPort) + "/assets/content/download/version.html";
  }

private:
  void Serve()
  {
    while (!mStop)
    {
      pollfd p{mListen, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int fd = accept(mListen, nullptr, nullptr);
      if (fd < 0) continue;
      if (mSilent)
      {
        mHeld.push_back(fd);
        continue;
      }
      std::string request;
      char buf[1024];
      while (request.find("\r\n\r\n") == std::string::npos)
      {
        pollfd r{fd, POLLIN, 0};
        if (poll(&r, 1, 2000) <= 0) break;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        request.append(buf, (size_t)n);
      }
      for (size_t sent = 0; sent < mResponse.size();)
      {
        ssize_t n = send(fd, mResponse.data() + sent, mResponse.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += (size_t)n;
      }
      close(fd);
    }
  }
  std::string mResponse;
  bool mSilent;
  int mListen = -1;
  int mPort = 0;
  std::vector<int> mHeld;
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

std::string Http(int status, const std::string& body)
{
  return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
         "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

TEST(VersionCheck, EachAnswerFromTheServerGivesItsOutcome)
{
  struct Case
  {
    int status;
    std::string body;
    VersionCheckResult expected;
  } cases[] = {
    {200, "<p>Other=2.0.0; Drovik=1.0.1;</p>", kVersionLatest},
    {200, "Drovik=1.0.2;", kVersionNewer},
    {200, "Drovik=0.9.9;", kVersionOlder},
    {200, "Drovik=1.0.1", kVersionNumberError},
    {200, "Saturn=1.0.1;", kVersionProductNotFound},
    {200, "Drovik=abc;", kVersionNumberError},
    {404, "Drovik=1.0.2;", kVersionNoAnswer},
    {500, "", kVersionNoAnswer},
    {200, "Drovik=1.0.2;" + std::string(kVersionAnswerLimit, ' '), kVersionNoAnswer},
    {302, "Drovik=1.0.2;", kVersionNoAnswer}, // a redirect's body
    {204, "", kVersionNoAnswer},
  };
  for (const Case& c : cases)
  {
    LocalServer server(Http(c.status, c.body));
    EXPECT_EQ(QueryOnlineVersion("Drovik", "1.0.1", server.Address().c_str(), 5000), c.expected)
      << c.status << " " << c.body.substr(0, 40);
  }
  // Answers cut short: inside the status line, inside the headers, before the body's announced length.
  for (const std::string& cut : {std::string("HTTP/1.1 200"), std::string("HTTP/1.1 200 OK\r\nContent-Type: text/ht"),
                                Http(200, "Drovik=1.0.2;").substr(0, Http(200, "Drovik=1.0.2;").size() - 3)})
  {
    LocalServer server(cut);
    EXPECT_EQ(QueryOnlineVersion("Drovik", "1.0.1", server.Address().c_str(), 5000), kVersionNoAnswer) << cut;
  }
  // What the message box says for each outcome.
  const std::pair<int, const char*> texts[] = {{kVersionNoAnswer, "Service not available"},
                                               {kVersionProductNotFound, "Product not found in database"},
                                               {kVersionNumberError, "Product version number error"},
                                               {kVersionLatest, "Latest plugin version is installed"},
                                               {kVersionNewer, "Newer version available"},
                                               {kVersionOlder, "Older plugin available"},
                                               {6, "Unknown"},
                                               {-1, "Unknown"}};
  for (const auto& [result, text] : texts) EXPECT_STREQ(VersionCheckResultText(result), text) << result;
}

TEST(VersionCheck, ASilentServerOrNoServerIsServiceNotAvailableWithinTheTimeOut)
{
  LocalServer silent("", true);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(QueryOnlineVersion("Drovik", "1.0.1", silent.Address().c_str(), 500), kVersionNoAnswer);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  std::string closed;
  {
    LocalServer gone("");
    closed = gone.Address();
  }
  EXPECT_EQ(QueryOnlineVersion("Drovik", "1.0.1", closed.c_str(), 500), kVersionNoAnswer);
}

TEST(VersionCheck, AnswersAreReadSafely)
{
  struct Case
  {
    const char* answer;
    const char* ours;
    VersionCheckResult expected;
  } cases[] = {
    {"x Drovik", "1.0.1", kVersionNumberError},                  // key at the very end: no separator, no field
    {"Drovik=", "1.0.1", kVersionNumberError},                   // separator at the end
    {"Drovik=99999999999.0.1;", "1.0.1", kVersionNumberError},   // a part beyond any version
    {"Drovik=300000.0.0;", "1.0.1", kVersionNumberError},        // parts fit, the weighted number does not
    {"Drovik=1.0;", "1.0.1", kVersionNumberError},
    {"Drovik=1.1.103;", "1.2.3", kVersionLatest},                // parts are weighted by 100
    {"MyDrovik:1.0.5; Drovik=1.0.1;", "1.0.1", kVersionNewer},   // the first occurrence counts, inside a word too
    {"Drovik=1.0.1 beta;", "1.0.1", kVersionLatest},
    {"Drovik=1.0; Other=2.3;", "1.0.3", kVersionNumberError},    // the field ends at the first ";"
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompareOnlineVersion(c.answer, "Drovik", c.ours), c.expected) << c.answer;
  // The longest field read is 255 characters.
  EXPECT_EQ(CompareOnlineVersion("Drovik=1.0.1" + std::string(250, ' ') + ";", "Drovik", "1.0.1"), kVersionLatest);
  EXPECT_EQ(CompareOnlineVersion("Drovik=1.0.1" + std::string(251, ' ') + ";", "Drovik", "1.0.1"), kVersionNumberError);
  // Our own version is read the same way: one that is no version is an error too.
  EXPECT_EQ(CompareOnlineVersion("Drovik=1.0.1;", "Drovik", "1.0"), kVersionNumberError);
  EXPECT_EQ(CompareOnlineVersion("Drovik=1.0.1;", "Drovik", nullptr), kVersionNumberError);
  const std::pair<const char*, int> numbers[] = {
    {nullptr, -1},   {"", -1},          {"1", -1},       {"1.2", -1},       {"1..3", -1},      {"1.2.", -1},
    {"1.2.3", 10203}, {" +1.0.1x", 10001}, {"  1.\t2. 3", 10203}, {"1.x.1", -1}, {"+-1.0.0", -1},
    {"-1.2.3", -9797}, {"1.-2.3", 9803}, {"1.2.-3", 10197},  {"12.34.56.78", 123456}, {"1.2.3.x", 10203},
    {"214748.36.47", 2147483647}, {"214748.36.48", -1}, {"-214748.-36.-48", INT_MIN}, {"-214748.-36.-49", -1},
  };
  for (const auto& [text, number] : numbers) EXPECT_EQ(ParseVersionNumber(text), number) << (text ? text : "null");
  EXPECT_EQ(ParseVersionNumber("0.0.1000000000"), 1000000000); // the largest part
  EXPECT_EQ(ParseVersionNumber("0.0.1000000001"), -1);
  // The answer is kept up to its limit exactly.
  std::string answer;
  std::string bytes(kVersionAnswerLimit, 'x');
  EXPECT_EQ(AppendCurlResponse(bytes.data(), 1, bytes.size() - 1, &answer), bytes.size() - 1);
  EXPECT_EQ(AppendCurlResponse(bytes.data(), 1, 1, &answer), 1u);
  EXPECT_EQ(AppendCurlResponse(bytes.data(), 1, 1, &answer), 0u);
  EXPECT_EQ(answer.size(), kVersionAnswerLimit);
  // A size and count whose product wraps past the largest size to a few bytes is refused, not read.
  std::string wrapped;
  EXPECT_EQ(AppendCurlResponse(bytes.data(), SIZE_MAX / 2 + 2, 2, &wrapped), 0u);
  // Items of no size are no bytes.
  EXPECT_EQ(AppendCurlResponse(bytes.data(), 0, 5, &wrapped), 0u);
  EXPECT_TRUE(wrapped.empty());
}

} // namespace
