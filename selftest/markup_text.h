// Text made safe for the self-test's XML and HTML files.
#pragma once

#include <string>
#include <string_view>

// The text as element content or a quoted attribute value of XML 1.0 or
// HTML: markup characters and line ends as references, and control
// characters that XML cannot carry at all as '?'.
std::string MarkupText(std::string_view text);
