// The online version check: one HTTP GET of the maker's version page through libcurl, the product's entry found
// in the answer and its dotted version compared with this build's. The request blocks its caller (the main
// thread, in the idle handler) for at most the time-out.
#pragma once

#include <cstddef>
#include <string>

/// Outcome of a version check; the texts shown for them come from VersionCheckResultText.
enum VersionCheckResult
{
  kVersionNoAnswer = 0,
  kVersionProductNotFound = 1,
  kVersionNumberError = 2,
  kVersionLatest = 3,
  kVersionNewer = 4,
  kVersionOlder = 5,
};

/// The one address asked (scheme included).
inline constexpr const char* kVersionCheckAddress = "https://www.vesquin.com/assets/content/download/version.html";
/// Whole-request limit: connecting and transferring together.
inline constexpr long kVersionCheckTimeoutMs = 25000;
/// An answer larger than this is no version page: the transfer stops and counts as no answer.
inline constexpr size_t kVersionAnswerLimit = 64 * 1024;

/// Asks `address` and looks for `product`, one separator character, a dotted version and ";". A transfer that
/// fails, an HTTP error status or an over-long answer give kVersionNoAnswer. [main thread]
VersionCheckResult QueryOnlineVersion(const char* product, const char* version,
                                      const char* address = kVersionCheckAddress,
                                      long timeoutMs = kVersionCheckTimeoutMs);

/// The outcome of an answer already received (the steps after the transfer). [any thread]
VersionCheckResult CompareOnlineVersion(const std::string& answer, const char* product, const char* version);

/// "a.b.c" as (a x 100 + b) x 100 + c; each part may have leading blanks and a sign and ends at its first
/// non-digit. -1 when a "." is missing, a part has no number, or a part or the result leaves the int range.
int ParseVersionNumber(const char* text);

/// The text the message box shows for a result ("Unknown" for any other number).
const char* VersionCheckResultText(int result);

/// libcurl's write function: appends size x count bytes to the std::string behind `answer`, up to
/// kVersionAnswerLimit in all; beyond that it takes nothing, which ends the transfer. [main thread]
size_t AppendCurlResponse(char* data, size_t size, size_t count, void* answer);
