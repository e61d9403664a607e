// Fuzz target for the undo journal's reader (built natively: the reader and
// the registry file parser include no Win32 header). A session that reads
// back must write out to the same session, and the index alone must agree.
//


#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/regclean/undo_journal.h"

using namespace velmora::regclean;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const JournalParse parsed = ParseJournal(bytes);
  (void)ParseJournalIndex(bytes);
  if (!parsed.session) {
    if (parsed.problem.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const JournalParse again = ParseJournal(WriteJournal(*parsed.session));
  if (!again.session) std::abort();
  const JournalSession& a = *parsed.session;
  const JournalSession& b = *again.session;
  if (a.count != b.count || a.state != b.state || a.removed.size() != b.removed.size() ||
      a.removedFiles.size() != b.removedFiles.size() || a.addedIni.size() != b.addedIni.size() ||
      a.added.size() != b.added.size())
    std::abort();
  return 0;
}
