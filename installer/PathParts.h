#pragma once

// Parts of ANSI paths. The delimiters are "\" and ":"; a byte that is the trail byte of a
// double-byte character is never a delimiter, so the lead-byte test of the ANSI code page
// is passed in (Windows-1252 has no lead bytes: pass NoLeadBytes).

#include <functional>
#include <string>
#include <string_view>

namespace tolma {

using LeadByteTest = std::function<bool(unsigned char)>;
bool NoLeadBytes(unsigned char byte);

// Index of the last "\" or ":" that starts a character, or npos.
size_t LastDelimiter(std::string_view path, const LeadByteTest& isLead);
// Up to and including the last delimiter.
std::string ExtractFilePath(std::string_view path, const LeadByteTest& isLead);
// What follows the last delimiter.
std::string ExtractFileName(std::string_view path, const LeadByteTest& isLead);
// From the last "." after the last delimiter to the end; empty when there is none.
std::string ExtractFileExt(std::string_view path, const LeadByteTest& isLead);
// Whether the path ends in a "\" that is not the trail byte of a double-byte character.
bool EndsWithBackslash(std::string_view path, const LeadByteTest& isLead);
std::string IncludeTrailingBackslash(std::string_view path, const LeadByteTest& isLead);
std::string ExcludeTrailingBackslash(std::string_view path, const LeadByteTest& isLead);
// Only the ASCII letters a to z change.
std::string UpperAscii(std::string_view text);

}  // namespace tolma
