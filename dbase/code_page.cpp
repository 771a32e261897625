#include "dbase/code_page.h"

#include <array>

namespace dbase {

namespace codepage_detail {
extern const char16_t kCp1252High[128];
extern const char16_t kCp437High[128];
extern const char16_t kCp850High[128];
extern const char16_t kCp852High[128];
extern const char16_t kCp866High[128];
extern const char16_t kCp1250High[128];
extern const char16_t kCp1251High[128];
}  // namespace codepage_detail

namespace {

using namespace codepage_detail;

int utf8Encode(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
}

// Reads one UTF-8 sequence at text[i]; advances i. Returns false on a
// malformed sequence (overlong forms and surrogates included).
bool utf8Next(std::string_view text, size_t& i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (i + static_cast<size_t>(extra) >= text.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += static_cast<size_t>(extra) + 1;
    return true;
}

// The capital of a Latin or Cyrillic small letter; 0 for anything else.
// (Greek is left alone: the DOS code pages hold a few Greek letters as
// mathematical signs.)
char32_t capitalOf(char32_t c) {
    if (c >= 0x61 && c <= 0x7A)
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    // Latin Extended-A: pairs of capital and small letter.
    if (c == 0x130 || c == 0x131)  // the dotted and dotless i pair differently
        return 0;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c % 2 == 1) ? c - 1 : 0;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c % 2 == 0) ? c - 1 : 0;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    if (c >= 0x490 && c <= 0x4BF)
        return (c % 2 == 1) ? c - 1 : 0;
    return 0;
}

struct Registry {
    CodePage cp1252{"cp1252", kCp1252High};
    CodePage cp437{"cp437", kCp437High};
    CodePage cp850{"cp850", kCp850High};
    CodePage cp852{"cp852", kCp852High};
    CodePage cp866{"cp866", kCp866High};
    CodePage cp1250{"cp1250", kCp1250High};
    CodePage cp1251{"cp1251", kCp1251High};
};

const Registry& registry() {
    static const Registry r;
    return r;
}

}  // namespace

CodePage::CodePage(std::string name, const char16_t* high) : name_(std::move(name)), high_(high) {
    for (int b = 0; b < 128; ++b) {
        utf8Len_[b] = static_cast<std::uint8_t>(utf8Encode(high_[b], utf8_[b]));
    }
    auto codePoint = [high](int b) { return b < 0x80 ? char32_t(b) : char32_t(high[b - 0x80]); };
    for (int b = 0; b < 256; ++b)
        upper_[b] = lower_[b] = static_cast<unsigned char>(b);
    for (int b = 0; b < 256; ++b) {
        const char32_t capital = capitalOf(codePoint(b));
        if (capital == 0)
            continue;
        for (int c = 0; c < 256; ++c) {
            if (codePoint(c) == capital) {
                upper_[b] = static_cast<unsigned char>(c);
                if (lower_[c] == c)
                    lower_[c] = static_cast<unsigned char>(b);
                break;
            }
        }
    }
}

const CodePage& CodePage::windows1252() {
    return registry().cp1252;
}

const CodePage& CodePage::forLanguageDriver(std::uint8_t ldid) {
    const Registry& r = registry();
    switch (ldid) {
        case 0x01:
        case 0x1B:
            return r.cp437;
        case 0x02:
            return r.cp850;
        case 0x64:
            return r.cp852;
        case 0x65:
            return r.cp866;
        case 0xC8:
            return r.cp1250;
        case 0xC9:
            return r.cp1251;
        default:  // 0x03, 0x57, 0x58, 0x59, none and unknown drivers
            return r.cp1252;
    }
}

const CodePage* CodePage::byName(std::string_view name) {
    const Registry& r = registry();
    for (const CodePage* p :
         {&r.cp1252, &r.cp437, &r.cp850, &r.cp852, &r.cp866, &r.cp1250, &r.cp1251}) {
        if (p->name() == name)
            return p;
    }
    return nullptr;
}

void CodePage::decode(std::string_view bytes, std::string& out) const {
    // Runs of ASCII, the common case, are copied whole.
    size_t i = 0;
    while (i < bytes.size()) {
        size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80)
            ++run;
        out.append(bytes.data() + i, run - i);
        if (run == bytes.size())
            break;
        const auto b = static_cast<unsigned char>(bytes[run]);
        out.append(utf8_[b - 0x80], utf8Len_[b - 0x80]);
        i = run + 1;
    }
}

std::string CodePage::decode(std::string_view bytes) const {
    std::string out;
    out.reserve(bytes.size());
    decode(bytes, out);
    return out;
}

bool CodePage::encode(std::string_view utf8, std::string& out) const {
    size_t i = 0;
    while (i < utf8.size()) {
        // Runs of ASCII, the common case, are copied whole.
        size_t run = i;
        while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80)
            ++run;
        if (run > i) {
            out.append(utf8.data() + i, run - i);
            i = run;
            continue;
        }
        char32_t cp = 0;
        if (!utf8Next(utf8, i, cp))
            return false;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        int found = -1;
        for (int b = 0; b < 128; ++b) {
            if (high_[b] == cp) {
                found = b;
                break;
            }
        }
        if (found < 0)
            return false;
        out.push_back(static_cast<char>(0x80 + found));
    }
    return true;
}

}  // namespace dbase
