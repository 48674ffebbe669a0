#include "ui/VersionCheck.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <curl/curl.h>

namespace {

/// A version field longer than this is no version.
constexpr size_t kMaxVersionField = 255;
/// Parts beyond this magnitude cannot be a version and would overflow the weighting.
constexpr long long kMaxVersionPart = 1000000000LL;

/// libcurl's process-wide set-up is not thread-safe and must not be repeated around each request: once, and kept
/// for the life of the process.
bool CurlReady()
{
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK; });
  return ready;
}

/// Reads one part as strtol does (blanks, sign, digits up to the first other character) from [begin, end).
bool ReadPart(const std::string& field, size_t begin, size_t end, long long& part)
{
  std::string text = field.substr(begin, end - begin);
  const char* p = text.c_str();
  while (std::isspace((unsigned char)*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (!std::isdigit((unsigned char)*p)) return false;
  long long value = 0;
  for (; std::isdigit((unsigned char)*p); ++p)
  {
    value = value * 10 + (*p - '0');
    if (value > kMaxVersionPart) return false;
  }
  part = negative ? -value : value;
  return true;
}

/// Notes whether the headers of the last response seen have ended: a status line starts a response's headers
/// (an interim "100 Continue" has headers of its own), an empty line ends them.
size_t NoteHeaderLine(char* data, size_t size, size_t count, void* ended)
{
  const size_t bytes = size * count;
  const std::string line(data, bytes);
  bool& headersEnded = *static_cast<bool*>(ended);
  if (line.compare(0, 5, "HTTP/") == 0)
    headersEnded = false;
  else if (line == "\r\n" || line == "\n")
    headersEnded = true;
  return bytes;
}

} // namespace

int ParseVersionNumber(const char* text)
{
  if (!text) return -1;
  const std::string field = text;
  size_t dot1 = field.find('.');
  if (dot1 == std::string::npos) return -1;
  size_t dot2 = field.find('.', dot1 + 1);
  if (dot2 == std::string::npos) return -1;
  long long a, b, c;
  if (!ReadPart(field, 0, dot1, a) || !ReadPart(field, dot1 + 1, dot2, b) ||
      !ReadPart(field, dot2 + 1, field.size(), c))
    return -1;
  long long number = (a * 100 + b) * 100 + c;
  if (number < INT_MIN || number > INT_MAX) return -1;
  return (int)number;
}

VersionCheckResult CompareOnlineVersion(const std::string& answer, const char* product, const char* version)
{
  size_t key = answer.find(product);
  if (key == std::string::npos) return kVersionProductNotFound;
  // The key, one separator character, then the field up to ";". A key at the very end has no field.
  size_t start = key + std::strlen(product) + 1;
  if (start > answer.size()) return kVersionNumberError;
  size_t end = answer.find(';', start);
  if (end == std::string::npos || end - start > kMaxVersionField) return kVersionNumberError;
  int online = ParseVersionNumber(answer.substr(start, end - start).c_str());
  int ours = ParseVersionNumber(version);
  if (online == -1 || ours == -1) return kVersionNumberError;
  if (online == ours) return kVersionLatest;
  return online > ours ? kVersionNewer : kVersionOlder;
}

size_t AppendCurlResponse(char* data, size_t size, size_t count, void* answer)
{
  auto* text = static_cast<std::string*>(answer);
  if (size != 0 && count > kVersionAnswerLimit / size) return 0;
  size_t bytes = size * count;
  if (bytes > kVersionAnswerLimit - text->size()) return 0;
  text->append(data, bytes);
  return bytes;
}

VersionCheckResult QueryOnlineVersion(const char* product, const char* version, const char* address,
                                      long timeoutMs)
{
  if (!CurlReady()) return kVersionNoAnswer;
  CURL* curl = curl_easy_init();
  if (!curl) return kVersionNoAnswer;
  std::string answer;
  curl_easy_setopt(curl, CURLOPT_URL, address);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendCurlResponse);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // the host owns the process's signals
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L); // an error page is no answer
  bool headersEnded = false;
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, NoteHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headersEnded);
  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  // Only a whole 200 answer is read: a redirect's body or an answer cut inside its headers is no answer.
  constexpr long kOk = 200;
  if (code != CURLE_OK || status != kOk || !headersEnded) return kVersionNoAnswer;
  return CompareOnlineVersion(answer, product, version);
}

const char* VersionCheckResultText(int result)
{
  switch (result)
  {
  case kVersionNoAnswer: return "Service not available";
  case kVersionProductNotFound: return "Product not found in database";
  case kVersionNumberError: return "Product version number error";
  case kVersionLatest: return "Latest plugin version is installed";
  case kVersionNewer: return "Newer version available";
  case kVersionOlder: return "Older plugin available";
  default: return "Unknown";
  }
}
