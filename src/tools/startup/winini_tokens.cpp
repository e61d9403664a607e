#include "tools/startup/winini_tokens.h"

namespace velmora::startup {

std::vector<std::string> SplitTokens(const std::string& value) {
  std::vector<std::string> tokens;
  std::size_t at = 0;
  while (at < value.size()) {
    const std::size_t start = value.find_first_not_of(" \t", at);
    if (start == std::string::npos) break;
    const std::size_t end = value.find_first_of(" \t", start);
    tokens.push_back(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
    at = end == std::string::npos ? value.size() : end;
  }
  return tokens;
}

namespace {
std::string Join(const std::vector<std::string>& tokens) {
  std::string out;
  for (const std::string& t : tokens) out += (out.empty() ? "" : " ") + t;
  return out;
}
}  // namespace

std::string RemoveToken(const std::string& value, const std::string& token, bool* removed) {
  std::vector<std::string> tokens = SplitTokens(value);
  for (auto it = tokens.begin(); it != tokens.end(); ++it) {
    if (*it != token) continue;
    tokens.erase(it);
    if (removed) *removed = true;
    return Join(tokens);
  }
  if (removed) *removed = false;
  return value;
}

std::string AppendToken(const std::string& value, const std::string& token) {
  std::vector<std::string> tokens = SplitTokens(value);
  tokens.push_back(token);
  return Join(tokens);
}

std::string TokenProgramName(const std::string& token) {
  const std::size_t at = token.find_last_of("\\:");
  return at == std::string::npos ? token : token.substr(at + 1);
}

}  // namespace velmora::startup
