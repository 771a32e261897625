// Single-byte code pages of dBase tables. A table names its code page by
// the language-driver byte of its header; text crosses the engine's
// interface as UTF-8 and is converted here.
//
// Decoding never fails: every byte has a character. Encoding refuses a
// character the code page cannot hold (encode() returns false) instead of
// replacing it, so a caller can report which field it was meant for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbase {

class CodePage {
  public:
    // The code page for a language-driver byte. No driver (0) and drivers
    // the engine does not know read as Windows-1252.
    static const CodePage& forLanguageDriver(std::uint8_t ldid);
    static const CodePage& windows1252();
    // Looks a code page up by its name ("cp1252", "cp437", ...); nullptr if unknown.
    static const CodePage* byName(std::string_view name);

    const std::string& name() const { return name_; }

    // Appends the UTF-8 form of the bytes to out.
    void decode(std::string_view bytes, std::string& out) const;
    std::string decode(std::string_view bytes) const;

    // Converts UTF-8 text to the code page and appends to out. Returns false
    // (out then holds a partial result) when the text is not valid UTF-8 or
    // holds a character the code page cannot represent.
    bool encode(std::string_view utf8, std::string& out) const;

    // The upper- and lower-case forms of a byte's letter in this code page:
    // ASCII letters, and the Latin and Cyrillic letters whose other case the
    // code page also holds. Any other byte is its own form.
    unsigned char upper(unsigned char b) const { return upper_[b]; }
    unsigned char lower(unsigned char b) const { return lower_[b]; }

    CodePage(std::string name, const char16_t* high);

  private:
    std::string name_;
    const char16_t* high_;  // code points of bytes 0x80..0xFF
    // UTF-8 forms of bytes 0x80..0xFF, precomputed so decoding is a copy.
    char utf8_[128][4];
    std::uint8_t utf8Len_[128];
    unsigned char upper_[256];
    unsigned char lower_[256];
};

}  // namespace dbase
