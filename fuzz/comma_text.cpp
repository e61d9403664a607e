// The comma text: any text reads; a list written and read back is the same
// list; a text read, written and read again gives what the first reading gave.
#include "scan/comma_text.h"

#include "fuzz_support.h"

using velmora::fuzz::Draw;
using namespace velmora::scan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> read = ParseCommaText(velmora::fuzz::Text(data, size));
  FUZZ_CHECK(ParseCommaText(MakeCommaText(read)) == read);
  Draw d(data, size);
  std::vector<std::string> items(d.Below(8));
  for (std::string& item : items) item = d.From(std::string("ab \",\t\r\n\x01\x7F\xC3\xA9", 12), 6);
  FUZZ_CHECK(ParseCommaText(MakeCommaText(items)) == items);
  return 0;
}
