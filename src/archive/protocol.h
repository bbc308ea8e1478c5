// The archive server's requests: the server address as typed, the URL, and
// the path-and-query of the list and video requests; the date-time form both
// sides of the protocol use.
#pragma once

#include "core/datetime.h"

#include <cstdint>
#include <string>

// "http://" host ":" port "/" pathAndQuery ("https://" when secure: the same
// protocol inside TLS). The port is always written, 80 included. A host that
// is an IPv6 address (it holds a ":") is put in brackets, as a URL needs it.
std::string ArchiveUrl(const std::string& host, int port, const std::string& pathAndQuery, bool secure = false);

// The port of an https address that names none.
constexpr int kDefaultTlsPort = 443;

// A server address as a user types it: "HOST", "HOST:PORT", "[IPv6]" or
// "[IPv6]:PORT", the port 1..65535 in decimal digits; a bare IPv6 address
// (two colons or more) is a host alone. The host is not empty and holds no
// blank, tab, "/", "?", "#" or "@". False for anything else, and host and
// port stay as they were; a port not given leaves `port` as it was.
bool TryParseServerAddress(const std::string& text, std::string& host, int& port);
// The same, optionally after a scheme (in any letter case): "http://" is
// plain HTTP as without one, "https://" the same protocol inside TLS, with
// `port` 443 when the address names none. `secure` tells which; it stays as
// it was, like host and port, when the text is refused.
bool TryParseServerAddress(const std::string& text, std::string& host, int& port, bool& secure);

// An interval end counts as set when its whole-day part, truncated toward
// zero, is not 0.
bool IsIntervalEndSet(TDateTime value);

// "YYYYMMDDHHnnSS": the local time as entered, no separators.
std::string ArchiveTimeText(TDateTime value);
// Reads that form back; false for anything else (the server's side).
bool TryParseArchiveTime(const std::string& text, TDateTime& value);

// "list", then "?" and "begin=", "end=", "sn=" joined by "&", each only when
// present (an end when set, the serial number when 0 or greater).
std::string ListQuery(TDateTime begin, TDateTime end, int32_t serialNumber);

// "video?sn=" serial number "&issue=" fragment number.
std::string VideoQuery(int32_t serialNumber, int32_t issue);
