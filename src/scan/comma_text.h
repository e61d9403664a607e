// Comma text: a list of strings in one line, as the mask list of a tree scanner
// is read and written.
//
// Reading: blanks and control characters before an item are skipped; an item is
// either a double-quoted string (a quote inside is written twice; blanks and commas
// may appear) or a run of characters up to the next comma, blank or control
// character. After an item blanks are skipped and one comma is consumed, so a blank
// separates items just as a comma does, "a,,b" holds an empty item, and a comma at
// the very end adds nothing.
// Writing: items joined by commas; an item holding a blank, control character, comma
// or quote is put in double quotes with its quotes doubled, and so is an empty last
// item, so that reading the text back gives the same list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::scan {

std::vector<std::string> ParseCommaText(std::string_view text);
std::string MakeCommaText(const std::vector<std::string>& items);

}  // namespace velmora::scan
