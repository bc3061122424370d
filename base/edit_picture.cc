#include "base/edit_picture.h"

#include <cmath>
#include <cstdio>

#include "base/codepage.h"
#include "base/session_settings.h"

namespace base {
namespace {

// The peseta's fixed rate, held in single precision as the suite holds it.
constexpr float kPesetasPerEuro = 166.386f;

// The session's number settings, for writing a number: their complaint, if
// any, is said with the first number written, once.
const NumberSettings& NumbersForWriting() {
  NumberSettings& n = Settings().numbers;
  SayComplaintOnce(&n.complaint);
  return n;
}

bool IsDigitPosition(char c) { return c == '9' || c == 'Z' || c == 'z' || c == '*'; }

enum class Fill { kNone, kBlankLeading, kBlank, kStarLeading, kStar };

char FillChar(Fill f) { return (f == Fill::kStarLeading || f == Fill::kStar) ? '*' : ' '; }
bool Leading(Fill f) { return f == Fill::kBlankLeading || f == Fill::kStarLeading; }

// Half to even on the scaled value: the digits of the rounded |v| x 10^places.
std::string RoundedDigits(double v, int places) {
  const double x = std::fabs(v) * std::pow(10.0, places);
  const double t = std::trunc(x);
  const double f = x - t;
  double r = t;
  if (f > 0.5 || (f == 0.5 && std::fmod(t, 2.0) != 0)) r = t + 1;
  if (r == 0) return std::string();
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", r);
  return buf;
}

std::string Overflow(const std::string& digits, int places, bool neg, size_t length) {
  std::string d = digits;
  if (static_cast<int>(d.size()) < places + 1)
    d.insert(0, static_cast<size_t>(places + 1) - d.size(), '0');
  const size_t int_digits = d.size() - static_cast<size_t>(places);
  if (length < int_digits + (neg ? 1 : 0)) return std::string(length, '!');
  std::string plain = (neg ? "-" : "") + d.substr(0, int_digits);
  if (places > 0) plain += Settings().numbers.decimal + d.substr(int_digits);
  if (plain.size() > length) return plain.substr(0, length);
  return std::string(length - plain.size(), ' ') + plain;
}

}  // namespace

char DecimalChar() { return NumbersForWriting().decimal; }

char ThousandsChar() { return NumbersForWriting().thousands; }

std::string FormatPicture(std::string_view picture, double v) {
  const NumberSettings& numbers = NumbersForWriting();
  std::string p(picture);
  const int length = static_cast<int>(p.size());
  const bool is_signed = p.find_first_of("-+") != std::string::npos;
  const size_t dot = p.find('.');
  int dec_count = 0, places = 0;
  if (dot != std::string::npos) {
    for (size_t i = dot + 1; i < p.size(); ++i)
      dec_count += std::string_view("9Zz*-+").find(p[i]) != std::string_view::npos;
    for (size_t i = dot + 1; i < p.size() && IsDigitPosition(p[i]); ++i) ++places;
    if (dec_count == 0) places = 0;
  }
  const std::string digits = RoundedDigits(v, places);
  bool neg = v < 0;
  const int n = static_cast<int>(digits.size());
  int k = n - places + dec_count;
  auto digit = [&](int at) {
    return (at >= 1 && at <= n) ? digits[static_cast<size_t>(at - 1)] : '0';
  };
  auto rest_zero = [&](int at) {
    for (int j = std::max(at, 1); j <= n; ++j) {
      if (digits[static_cast<size_t>(j - 1)] != '0') return false;
    }
    return true;
  };
  Fill fill = Fill::kNone;
  int i = length;  // 1-based position in the picture
  for (; i >= 1 && k > 0; --i) {
    char& c = p[static_cast<size_t>(i - 1)];
    switch (c) {
      case '9':
        c = digit(k--);
        fill = Fill::kNone;
        break;
      case 'Z':
      case 'z': {
        bool shown;
        if (i < length - dec_count) {
          shown = k <= n;
        } else {
          shown = !rest_zero(k) || dec_count == 0;
        }
        c = shown ? digit(k) : ' ';
        fill = shown ? Fill::kBlank : Fill::kBlankLeading;
        --k;
        break;
      }
      case '*':
        fill = k <= n ? Fill::kStar : Fill::kStarLeading;
        c = k <= n ? digit(k) : '*';
        --k;
        break;
      case '.':
        c = Leading(fill) ? FillChar(fill) : numbers.decimal;
        dec_count = 0;
        break;
      case ',':
        c = numbers.thousands;
        break;
      case '-':
      case '+':
        c = neg ? '-' : (c == '+' ? '+' : ' ');
        if (dec_count > 0) --k;
        break;
      default:
        break;
    }
  }
  bool sign_room = is_signed || !neg;
  for (int j = i; j >= 1 && !sign_room; --j) {
    sign_room =
        std::string_view("9Zz*,").find(p[static_cast<size_t>(j - 1)]) != std::string_view::npos;
  }
  if (k > 0 || !sign_room) return Overflow(digits, places, neg, p.size());
  const bool floating = !is_signed;
  for (; i >= 1; --i) {
    char& c = p[static_cast<size_t>(i - 1)];
    const bool left_of_decimals = i < length - dec_count;
    switch (c) {
      case '9':
        if (neg && floating && left_of_decimals) {
          c = '-';
          neg = false;
        } else {
          c = '0';
        }
        fill = Fill::kNone;
        break;
      case 'Z':
      case 'z':
        if (neg && floating) {
          c = '-';
          neg = false;
        } else if (left_of_decimals || v == 0) {
          c = ' ';
          fill = Fill::kBlankLeading;
        } else {
          c = '0';
          fill = Fill::kBlank;
        }
        break;
      case '*':
        if (neg && floating) {
          c = '-';
          neg = false;
        } else {
          c = left_of_decimals ? '*' : '0';
        }
        fill = Fill::kStar;
        break;
      case ',':
        if (neg && floating) {
          c = '-';
          neg = false;
        } else {
          c = fill != Fill::kNone ? FillChar(fill) : numbers.thousands;
        }
        break;
      case '.':
        c = Leading(fill) ? FillChar(fill) : numbers.decimal;
        break;
      case '-':
      case '+':
        c = neg ? '-' : (c == '+' ? '+' : ' ');
        break;
      default:
        break;
    }
  }
  return p;
}

std::string FormatAmount(std::string_view picture, double amount) {
  const size_t length = picture.size();
  bool show_zero = amount != 0;
  int dec = 0;
  bool seen_dot = false, grouping = false;
  char sign = 0;  // '-' or '+'
  bool sign_leading = false;
  char fill = 'Z';
  for (size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (c == '.') {
      ++dec;
      seen_dot = true;
    } else if (c == '9') {
      if (seen_dot)
        ++dec;
      else
        show_zero = true;
    } else if (c == '-' || c == '+') {
      sign = c;
      sign_leading = i == 0;
    } else if (c == ',') {
      grouping = true;
    } else if (c == '*') {
      fill = '*';
    } else if (c == 'Z' || c == 'z') {
      fill = 'Z';
    }
  }
  auto keep_last = [length](std::string s) {
    return s.size() > length ? s.substr(s.size() - length) : s;
  };
  std::string q(length, fill);
  if (show_zero) q = keep_last(q + "9");
  if (grouping) {
    for (int p = static_cast<int>(length) - 3; p >= 1; p -= 4) {
      q = keep_last(q.substr(0, static_cast<size_t>(p)) + "," + q.substr(static_cast<size_t>(p)));
    }
  }
  double value;
  if (Settings().numbers.current_currency == "P") {
    value = amount / 100 * static_cast<double>(kPesetasPerEuro);
  } else {
    value = amount / 100;
    dec = dec == 0 ? 3 : dec + 2;
  }
  if (dec > 0)
    q = keep_last(q + "." + std::string(static_cast<size_t>(dec - 1), show_zero ? '9' : 'Z'));
  if (sign != 0) {
    if (sign_leading) {
      if (!q.empty()) q[0] = sign;
    } else {
      q = keep_last(q + sign);
    }
  }
  return FormatPicture(q, value);
}

void SetCurrency(std::string_view setting) {
  NumberSettings& n = Settings().numbers;
  const size_t comma = setting.find(',');
  const char first = setting.empty() ? ' ' : UpperCase850(setting[0]);
  if (comma == std::string_view::npos) {
    if (first == 'P' && setting.size() == 1) {
      n.current_currency = n.alt_currency.empty() ? n.base_currency : n.alt_currency;
    } else {
      n.current_currency = n.base_currency;
    }
    return;
  }
  std::string c(setting.substr(comma + 1));
  const size_t b = c.find_first_not_of(' ');
  c = b == std::string::npos ? std::string() : std::string(1, UpperCase850(c[b]));
  if (first == 'A') {
    n.base_currency = c.empty() ? "E" : c;
    n.current_currency = n.base_currency;
  } else {
    n.alt_currency = c.empty() ? n.base_currency : c;
  }
}

std::string CurrentCurrency() { return Settings().numbers.current_currency; }

}  // namespace base
