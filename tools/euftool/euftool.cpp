// euftool: shows what the EUDC bitmap file reader sees in a file, and writes fixture files with the project's
// own writer, so that tests and people can inspect and prepare bitmap files without the editor.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "kanjiforge_version.h"

namespace {

constexpr char kUsage[] =
    "usage: euftool info FILE\n"
    "       euftool show FILE CODE\n"
    "       euftool list FILE\n"
    "       euftool new FILE SIZE\n"
    "       euftool put FILE CODE PBM\n"
    "CODE is four hexadecimal digits in E000..F8FF, SIZE a multiple of 8 in 8..256,\n"
    "PBM a plain (P1) or raw (P4) bitmap of the file's character size, 1 = black.\n"
    "Exit status: 0 on success, 1 when the file gives another result or cannot be written, 2 on usage "
    "errors.\n";

constexpr std::size_t kMaxPbmBytes = 4 * 1024 * 1024;

// One command-line argument, as a file name and as text for codes and numbers.
struct Arg {
    std::filesystem::path path;
    std::wstring text;
};

int UsageError() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::string Display(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

int ParseCode(const Arg& arg) {
    const int code = ParseCodeText(arg.text);
    return IsUnicodeEudcCode(code) ? code : -1;
}

int ParseSize(const std::wstring& text) {
    if (text.empty() || text.size() > 3) return -1;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value >= 8 && value <= 256 && value % 8 == 0 ? value : -1;
}

void PrintResult(int result, int width, int height) {
    std::printf("result %d width %d height %d\n", result, width, height);
}

// Dots of a dot plane are numbered row by row; bit 0 is black.
bool IsBlack(const std::vector<std::uint8_t>& plane, long long dot) {
    const auto byte = static_cast<std::size_t>(dot / 8);
    return byte < plane.size() && (plane[byte] & (0x80 >> (dot % 8))) == 0;
}

struct Pbm {
    int width = 0;
    int height = 0;
    std::vector<bool> black;  // row by row
};

class PbmParser {
  public:
    explicit PbmParser(const std::string& data) : data_(data) {}

    // Reads the magic number and the size; false with `error` set on a malformed header.
    bool ParseHeader(Pbm& pbm, std::string& error) {
        if (data_.size() < 2 || data_[0] != 'P' || (data_[1] != '1' && data_[1] != '4')) {
            error = "not a PBM file (expected P1 or P4)";
            return false;
        }
        raw_ = data_[1] == '4';
        pos_ = 2;
        if (!ReadNumber(pbm.width) || !ReadNumber(pbm.height) || pbm.width == 0 || pbm.height == 0) {
            error = "bad PBM size";
            return false;
        }
        return true;
    }

    bool ParseRaster(Pbm& pbm, std::string& error) {
        pbm.black.assign(static_cast<std::size_t>(pbm.width) * pbm.height, false);
        if (raw_) {
            // Exactly one whitespace character separates the header from the packed rows.
            const std::size_t rowBytes = (static_cast<std::size_t>(pbm.width) + 7) / 8;
            if (pos_ >= data_.size() || !IsSpace(data_[pos_]) ||
                data_.size() - pos_ - 1 < rowBytes * static_cast<std::size_t>(pbm.height)) {
                error = "PBM data is cut short";
                return false;
            }
            const std::size_t start = pos_ + 1;
            for (int y = 0; y < pbm.height; ++y) {
                for (int x = 0; x < pbm.width; ++x) {
                    const auto byte = static_cast<unsigned char>(data_[start + y * rowBytes + x / 8]);
                    pbm.black[static_cast<std::size_t>(y) * pbm.width + x] = (byte & (0x80 >> (x % 8))) != 0;
                }
            }
            return true;
        }
        for (std::size_t i = 0; i < pbm.black.size(); ++i) {
            SkipSpaceAndComments();
            if (pos_ >= data_.size() || (data_[pos_] != '0' && data_[pos_] != '1')) {
                error = pos_ >= data_.size() ? "PBM data is cut short" : "bad character in PBM data";
                return false;
            }
            pbm.black[i] = data_[pos_++] == '1';
        }
        return true;
    }

  private:
    static bool IsSpace(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }

    void SkipSpaceAndComments() {
        while (pos_ < data_.size()) {
            if (IsSpace(data_[pos_])) {
                ++pos_;
            } else if (data_[pos_] == '#') {
                while (pos_ < data_.size() && data_[pos_] != '\n' && data_[pos_] != '\r') ++pos_;
            } else {
                break;
            }
        }
    }

    bool ReadNumber(int& value) {
        SkipSpaceAndComments();
        const std::size_t start = pos_;
        value = 0;
        while (pos_ < data_.size() && data_[pos_] >= '0' && data_[pos_] <= '9') {
            value = value * 10 + (data_[pos_++] - '0');
            if (value > 65535) return false;
        }
        return pos_ > start;
    }

    const std::string& data_;
    std::size_t pos_ = 0;
    bool raw_ = false;
};

bool ReadWholeFile(const std::filesystem::path& path, std::string& data, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open the PBM file";
        return false;
    }
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        data.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (data.size() > kMaxPbmBytes) {
            error = "the PBM file is too large";
            return false;
        }
    }
    if (file.bad()) {
        error = "cannot read the PBM file";
        return false;
    }
    return true;
}

int Info(const Arg& file) {
    int width = 0;
    int height = 0;
    const int result = ReadEudcBitmap(file.path, 0, width, height, nullptr);
    PrintResult(result, width, height);
    return result == kEudcOk ? 0 : 1;
}

int Show(const Arg& file, int code) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> plane;
    const int result = ReadEudcBitmap(file.path, code, width, height, &plane);
    PrintResult(result, width, height);
    if (result != kEudcOk) return 1;
    std::string row;
    for (int y = 0; y < height; ++y) {
        row.clear();
        for (int x = 0; x < width; ++x)
            row += IsBlack(plane, static_cast<long long>(y) * width + x) ? '#' : '.';
        std::printf("%s\n", row.c_str());
    }
    return 0;
}

int List(const Arg& file) {
    std::vector<int> codes;
    const int result = ListEudcCodes(file.path, codes);
    if (result != kEudcOk) {
        std::fprintf(stderr, "euftool: %s: cannot read the index (result %d)\n", Display(file.path).c_str(),
                     result);
        return 1;
    }
    for (int code : codes) std::printf("%s\n", Narrow(FormatCodeText(code)).c_str());
    return 0;
}

int New(const Arg& file, int size) {
    if (!CreateEudcBitmapFile(file.path, size)) {
        std::fprintf(stderr, "euftool: %s: cannot create the file (it exists or cannot be written)\n",
                     Display(file.path).c_str());
        return 1;
    }
    return 0;
}

int Put(const Arg& file, int code, const Arg& pbmFile) {
    int width = 0;
    int height = 0;
    const int result = ReadEudcBitmap(file.path, 0, width, height, nullptr);
    const long long planeBytes = static_cast<long long>(width) * height / 8;
    if (result != kEudcOk || planeBytes <= 0 || planeBytes > kEudcMaxBitmapBytes) {
        std::fprintf(stderr, "euftool: %s: not a usable bitmap file (result %d width %d height %d)\n",
                     Display(file.path).c_str(), result, width, height);
        return 1;
    }

    std::string data;
    std::string error;
    Pbm pbm;
    PbmParser parser(data);
    if (!ReadWholeFile(pbmFile.path, data, error) || !parser.ParseHeader(pbm, error)) {
        std::fprintf(stderr, "euftool: %s: %s\n", Display(pbmFile.path).c_str(), error.c_str());
        return 1;
    }
    if (pbm.width != width || pbm.height != height) {
        std::fprintf(stderr, "euftool: %s: the image is %d by %d dots, the characters of %s are %d by %d\n",
                     Display(pbmFile.path).c_str(), pbm.width, pbm.height, Display(file.path).c_str(), width,
                     height);
        return 1;
    }
    if (!parser.ParseRaster(pbm, error)) {
        std::fprintf(stderr, "euftool: %s: %s\n", Display(pbmFile.path).c_str(), error.c_str());
        return 1;
    }

    std::vector<std::uint8_t> plane(static_cast<std::size_t>(planeBytes), 0xFF);
    for (std::size_t dot = 0; dot < pbm.black.size() && dot / 8 < plane.size(); ++dot) {
        if (pbm.black[dot]) plane[dot / 8] &= static_cast<std::uint8_t>(~(0x80 >> (dot % 8)));
    }
    if (!PutEudcBitmapRecord(file.path, code, plane)) {
        std::fprintf(stderr, "euftool: %s: cannot store %s\n", Display(file.path).c_str(),
                     Narrow(FormatCodeText(code)).c_str());
        return 1;
    }
    return 0;
}

int Run(const std::vector<Arg>& args) {
    if (args.empty()) return UsageError();
    const std::wstring& command = args[0].text;
    const std::size_t count = args.size();
    if (command == L"--version" && count == 1)
        return std::printf("euftool %s\n", KF_VERSION_TEXT) < 0 ? 1 : 0;
    if (command == L"info" && count == 2) return Info(args[1]);
    if (command == L"list" && count == 2) return List(args[1]);
    if (command == L"show" && count == 3 && ParseCode(args[2]) > 0) return Show(args[1], ParseCode(args[2]));
    if (command == L"new" && count == 3 && ParseSize(args[2].text) > 0)
        return New(args[1], ParseSize(args[2].text));
    if (command == L"put" && count == 4 && ParseCode(args[2]) > 0)
        return Put(args[1], ParseCode(args[2]), args[3]);
    return UsageError();
}

int RunGuarded(const std::vector<Arg>& args) {
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "euftool: %s\n", e.what());
        return 1;
    }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<Arg> args;
    for (int i = 1; i < argc; ++i) args.push_back({std::filesystem::path(argv[i]), argv[i]});
    return RunGuarded(args);
}
#else
int main(int argc, char** argv) {
    std::vector<Arg> args;
    for (int i = 1; i < argc; ++i) {
        // Codes and numbers are ASCII; other bytes widen to characters that no parser accepts.
        std::wstring text;
        for (const char* p = argv[i]; *p; ++p) text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        args.push_back({std::filesystem::path(argv[i]), text});
    }
    return RunGuarded(args);
}
#endif
