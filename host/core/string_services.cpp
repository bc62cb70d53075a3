// Strings: the phone's services fw_wstrcpy, fw_wstrcat, fw_wstr_compare, fw_wstrlen, fw_strcmp,
// fw_wstrcmp, and the formatter fw_format_wstr.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "core/service_table.h"
#include "core/trace.h"
#include "core/wstr.h"
#include "phone/phone.h"

namespace host::svc {

char16_t* fw_wstrcpy(char16_t* dst, const char16_t* src) {
  if (!dst) return dst;
  std::u16string_view s = wview(src);
  std::copy(s.begin(), s.end(), dst);
  dst[s.size()] = 0;
  return dst;
}

char16_t* fw_wstrcat(char16_t* dst, const char16_t* src) {
  if (!dst) return dst;
  fw_wstrcpy(dst + wview(dst).size(), src);
  return dst;
}

int fw_wstrcmp(const char16_t* a, const char16_t* b) {
  std::u16string_view x = wview(a), y = wview(b);
  return x < y ? -1 : (x == y ? 0 : 1);
}

// The firmware's own comparison; it tells upper from lower case, as fw_wstrcmp does.
int fw_wstr_compare(const char16_t* a, const char16_t* b) { return fw_wstrcmp(a, b); }

int fw_wstrlen(const char16_t* s) { return int(wview(s).size()); }

int fw_strcmp(const char* a, const char* b) {
  return std::strcmp(a ? a : "", b ? b : "");
}

int fw_format_wstr(char16_t* buf, int capacity, const char16_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  int n = format_wstr(buf, capacity, format, [&](char kind) -> FormatArg {
    if (kind == 's') return FormatArg{0, va_arg(ap, const char16_t*)};
    return FormatArg{kind == 'd' ? va_arg(ap, int) : int(va_arg(ap, unsigned)), nullptr};
  });
  va_end(ap);
  return n;
}

}  // namespace host::svc

namespace host {

int format_wstr(char16_t* buf, int capacity, const char16_t* format,
                const std::function<FormatArg(char kind)>& next) {
  Trace& t = phone().trace();
  if (t.active()) t.call("fw_format_wstr", buf, capacity, format);
  if (!buf || capacity <= 0) return 0;
  std::u16string out;
  std::u16string_view f = wview(format);
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != u'%' || i + 1 >= f.size()) {
      out.push_back(f[i]);
      continue;
    }
    ++i;
    if (f[i] == u'%') {
      out.push_back(u'%');
      continue;
    }
    bool zero = false;
    int width = 0;
    if (f[i] == u'0') { zero = true; ++i; }
    while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') width = width * 10 + (f[i++] - u'0');
    if (i >= f.size()) break;
    std::string num;
    switch (f[i]) {
      case u'd': num = std::to_string(next('d').value); break;
      case u'u': num = std::to_string(unsigned(next('u').value)); break;
      case u'x': {
        char tmp[16];
        std::snprintf(tmp, sizeof tmp, "%x", unsigned(next('x').value));
        num = tmp;
        break;
      }
      case u's': {
        std::u16string_view s = wview(next('s').text);
        for (size_t k = s.size(); int(k) < width; ++k) out.push_back(u' ');
        out.append(s);
        continue;
      }
      default: out.push_back(u'%'); out.push_back(f[i]); continue;
    }
    // Pad as printf does: zeros after the sign, spaces before it.
    bool neg = !num.empty() && num[0] == '-';
    std::string digits = neg ? num.substr(1) : num;
    int pad = width - int(num.size());
    std::string s = neg ? "-" : "";
    if (pad > 0 && zero) s.append(size_t(pad), '0');
    else if (pad > 0) s.insert(0, size_t(pad), ' ');
    s += digits;
    for (char c : s) out.push_back(char16_t(c));
  }
  size_t n = std::min(out.size(), size_t(capacity - 1));
  std::copy_n(out.begin(), n, buf);
  buf[n] = 0;
  return int(n);
}

}  // namespace host
