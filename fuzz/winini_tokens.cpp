// Win.ini's program lists: tokens hold no blank and join back; a removed token
// takes exactly one token away; an appended one comes back last.
#include "tools/startup/winini_tokens.h"

#include "fuzz_support.h"

using namespace velmora::startup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto files = velmora::fuzz::SplitFiles(velmora::fuzz::Text(data, size));
  const std::string& value = files.first;
  const std::vector<std::string> tokens = SplitTokens(value);
  for (const std::string& t : tokens) FUZZ_CHECK(!t.empty() && t.find_first_of(" \t") == std::string::npos);
  const std::string token = files.second.empty() ? (tokens.empty() ? "x.exe" : tokens.back()) : files.second;
  bool removed = false;
  const std::string rest = RemoveToken(value, token, &removed);
  const std::vector<std::string> after = SplitTokens(rest);
  if (removed) {
    FUZZ_CHECK(after.size() + 1 == tokens.size());
  } else {
    FUZZ_CHECK(rest == value);
  }
  if (!token.empty() && token.find_first_of(" \t") == std::string::npos) {
    const std::vector<std::string> appended = SplitTokens(AppendToken(value, token));
    FUZZ_CHECK(appended.size() == tokens.size() + 1 && appended.back() == token);
    bool again = false;
    RemoveToken(AppendToken(value, token), token, &again);
    FUZZ_CHECK(again);
  }
  const std::string name = TokenProgramName(token);
  FUZZ_CHECK(name.find_first_of("\\:") == std::string::npos && name.size() <= token.size());
  return 0;
}
