#include "installer/PathParts.h"

#include <vector>

namespace tolma {
namespace {

// Whether the byte at index starts a character, i.e. is not the trail byte of a lead byte.
std::vector<bool> CharacterStarts(std::string_view path, const LeadByteTest& isLead) {
  std::vector<bool> starts(path.size(), false);
  for (size_t i = 0; i < path.size(); ++i) {
    starts[i] = true;
    if (isLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
  }
  return starts;
}

}  // namespace

bool NoLeadBytes(unsigned char /*byte*/) { return false; }

size_t LastDelimiter(std::string_view path, const LeadByteTest& isLead) {
  const std::vector<bool> starts = CharacterStarts(path, isLead);
  for (size_t i = path.size(); i-- > 0;) {
    if (starts[i] && (path[i] == '\\' || path[i] == ':')) return i;
  }
  return std::string_view::npos;
}

std::string ExtractFilePath(std::string_view path, const LeadByteTest& isLead) {
  const size_t last = LastDelimiter(path, isLead);
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string ExtractFileName(std::string_view path, const LeadByteTest& isLead) {
  const size_t last = LastDelimiter(path, isLead);
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ExtractFileExt(std::string_view path, const LeadByteTest& isLead) {
  const std::vector<bool> starts = CharacterStarts(path, isLead);
  for (size_t i = path.size(); i-- > 0;) {
    if (!starts[i]) continue;
    if (path[i] == '\\' || path[i] == ':') break;
    if (path[i] == '.') return std::string(path.substr(i));
  }
  return {};
}

bool EndsWithBackslash(std::string_view path, const LeadByteTest& isLead) {
  if (path.empty() || path.back() != '\\') return false;
  return CharacterStarts(path, isLead).back();
}

std::string IncludeTrailingBackslash(std::string_view path, const LeadByteTest& isLead) {
  std::string result(path);
  if (!EndsWithBackslash(path, isLead)) result += '\\';
  return result;
}

std::string ExcludeTrailingBackslash(std::string_view path, const LeadByteTest& isLead) {
  std::string result(path);
  if (EndsWithBackslash(path, isLead)) result.pop_back();
  return result;
}

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

}  // namespace tolma
