// Character sets on Windows: the code-page conversion into UTF-16, then
// UTF-8 as everywhere in the programs.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "ascii.h"
#include "charset.h"
#include "wide_text.h"

namespace ndr {

namespace {

struct NamedCodePage {
  std::string_view name;  // lower case
  UINT codePage;
};

// The names mail gives character sets (the IANA names and their usual
// aliases) for the code pages Windows converts.
constexpr NamedCodePage kCodePages[] = {
    {"utf-8", CP_UTF8},     {"utf8", CP_UTF8},      {"us-ascii", 20127},     {"ascii", 20127},
    {"iso-8859-1", 28591},  {"latin1", 28591},      {"iso-8859-2", 28592},   {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},  {"iso-8859-5", 28595},  {"iso-8859-6", 28596},   {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},  {"iso-8859-9", 28599},  {"iso-8859-13", 28603},  {"iso-8859-15", 28605},
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252},  {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256},  {"windows-1257", 1257},
    {"windows-1258", 1258}, {"cp1252", 1252},       {"koi8-r", 20866},       {"koi8-u", 21866},
    {"iso-2022-jp", 50220}, {"shift_jis", 932},     {"shift-jis", 932},      {"euc-jp", 20932},
    {"iso-2022-kr", 50225}, {"euc-kr", 949},        {"ks_c_5601-1987", 949}, {"gb2312", 936},
    {"gbk", 936},           {"gb18030", 54936},     {"big5", 950},           {"utf-7", CP_UTF7},
    {"ibm437", 437},        {"ibm850", 850},        {"ibm866", 866},         {"tis-620", 874},
    {"windows-874", 874},
};

UINT CodePageOf(std::string_view charset) {
  for (const NamedCodePage& named : kCodePages) {
    if (EqualsIgnoreCase(charset, named.name))
      return named.codePage;
  }
  return 0;
}

}  // namespace

bool AppendAsUtf8(std::string_view charset, std::string_view bytes, std::string& out) {
  const UINT codePage = CodePageOf(charset);
  if (codePage == 0)
    return false;
  if (bytes.empty())
    return true;
  // Only these code pages take the flag that refuses bytes that are no text.
  const DWORD flags = codePage == CP_UTF8 || codePage == 54936 ? MB_ERR_INVALID_CHARS : 0;
  const int size = static_cast<int>(bytes.size());
  const int wide = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (wide <= 0)
    return false;
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data(), wide);
  out += Utf8FromWide(text);
  return true;
}

}  // namespace ndr

#endif
