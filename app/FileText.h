// A file's text as a reader of the file sees it, for scripts that look into
// the plug-in's files.
#pragma once

#include <string>
#include <string_view>

namespace mellox::app {

// The file's bytes as UTF-8 text: in the encoding its byte-order mark names
// (UTF-8, UTF-16 or UTF-32, either byte order); without one, UTF-8 when the
// whole file is UTF-8 (the plug-in's XML files), else the game's code page,
// Windows-1252 (its chat logs and error files). A UTF-16 or UTF-32 unit that
// is no character reads as U+FFFD.
std::string ReadableText(std::string_view bytes);

}  // namespace mellox::app
