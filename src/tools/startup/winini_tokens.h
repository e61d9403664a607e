// The program lists of Win.ini's "Run" and "Load" entries: programs separated
// by blanks, each blank-separated token one program. Window-free.
#pragma once

#include <string>
#include <vector>

namespace velmora::startup {

// The tokens of an entry; runs of blanks and leading or trailing blanks give
// no empty token.
std::vector<std::string> SplitTokens(const std::string& value);
// The entry without the first token equal to `token` (whole tokens only: "a.exe"
// never takes a piece of "a.exe.bak"), the rest joined by single blanks.
// Unchanged (and `removed` false) when no token is equal.
std::string RemoveToken(const std::string& value, const std::string& token, bool* removed = nullptr);
// The entry with `token` added at its end.
std::string AppendToken(const std::string& value, const std::string& token);
// The file-name part of a token (after its last "\" or ":").
std::string TokenProgramName(const std::string& token);

}  // namespace velmora::startup
