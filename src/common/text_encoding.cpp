// Decoding the bytes of an outside file: UTF-8 first, then GBK and GB18030 through iconv(3).
#include "common/text_encoding.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <optional>

namespace kszw {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Closes an iconv descriptor.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// The bytes converted from the named code page to UTF-8; nothing when a byte sequence is not of
// that code page (or ends in the middle of a character), or when the system lacks the converter.
std::optional<std::string> convertToUtf8(std::string_view bytes, const char* codePage)
{
    const IconvHandle converter("UTF-8", codePage);
    if (!converter.valid())
        return std::nullopt;
    std::string out;
    std::string input(bytes); // iconv takes a non-const input pointer
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t converted = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (converted == static_cast<size_t>(-1) && errno != E2BIG)
            return std::nullopt; // EILSEQ: not of the code page; EINVAL: a character cut off at the end
    }
    return out;
}

} // namespace

std::string_view encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Gbk: return "GBK";
    case TextEncoding::Gb18030: return "GB18030";
    }
    return "";
}

bool isValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned int codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07u;
        } else {
            return false; // a continuation byte, an overlong lead (C0, C1) or F5..FF
        }
        if (i + static_cast<size_t>(length) > bytes.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        const unsigned int smallest = length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u;
        if (codePoint < smallest || codePoint > 0x10FFFFu || (codePoint >= 0xD800u && codePoint <= 0xDFFFu))
            return false;
        i += static_cast<size_t>(length);
    }
    return true;
}

DecodedText decodeText(std::string_view bytes, std::string_view fileName)
{
    DecodedText decoded;
    // A NUL byte is in no text file of either code page: UTF-16 text or a binary file.
    if (bytes.find('\0') == std::string_view::npos) {
        if (isValidUtf8(bytes)) {
            if (bytes.starts_with(kByteOrderMark))
                bytes.remove_prefix(kByteOrderMark.size());
            decoded.ok = true;
            decoded.text = std::string(bytes);
            decoded.encoding = TextEncoding::Utf8;
            return decoded;
        }
        // Windows' GBK (code page 936) first, as spreadsheet programs write it; GB18030 for the
        // characters only it holds.
        for (const TextEncoding encoding : {TextEncoding::Gbk, TextEncoding::Gb18030}) {
            if (std::optional<std::string> text = convertToUtf8(bytes, std::string(encodingName(encoding)).c_str())) {
                decoded.ok = true;
                decoded.text = std::move(*text);
                decoded.encoding = encoding;
                return decoded;
            }
        }
    }
    decoded.error = "文件“" + std::string(fileName) + "”既不是UTF-8编码也不是GBK编码，不能读入！";
    return decoded;
}

DecodedText readTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    if (!in || std::filesystem::is_directory(path, error)) {
        DecodedText refused;
        refused.error = "无法打开此文件！\n" + path;
        return refused;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        DecodedText refused;
        refused.error = "无法打开此文件！\n" + path;
        return refused;
    }
    return decodeText(bytes, std::filesystem::path(path).filename().string());
}

} // namespace kszw
