// Text given on ts2tool's command line and printed by it (UTF-8), against the translation files'
// own bytes (Windows-1252).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ts2::cli {

// Decodes UTF-8; std::nullopt when `text` is not valid UTF-8.
std::optional<std::u32string> DecodeUtf8(std::string_view text);
void AppendUtf8(std::string& out, char32_t c);
// An argument (`what`: "TEXT") as Windows-1252 bytes: UTF-8 converted, anything else taken as the
// files' own bytes; std::nullopt, with `error` naming it, for a character the code page lacks.
std::optional<std::string> Cp1252Text(const std::string& text, const char* what, std::string& error);

}  // namespace ts2::cli
