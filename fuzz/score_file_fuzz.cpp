// libFuzzer target for the score table and its file: any file content, score and name must give
// the table that the ranking rules give, written back and read again the same, and never crash.
//
// Input: 4 bytes score (little-endian), 1 byte name length n, 2n bytes name (UTF-16LE), and the
// rest the bytes of the table file. The model below is written from the rules alone, on bytes, so
// that it shares nothing with the code under test but the rules.
#include "scores/score_file.h"
#include "toolkit/text/cp1250.h"
#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRows = 10;
constexpr int kLines = 2 * kRows;

struct ModelRow {
    std::string score;
    std::string name;
};
using ModelTable = std::array<ModelRow, kRows>;

// Byte for each UTF-16 code unit in Windows-1250, or -1; built with the system's iconv.
std::array<int, 0x10000> g_cp1250;
QString g_path;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "score_file_fuzz: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

void Check(bool ok, const char* what) {
    if (!ok)
        Fail(what);
}

void BuildCodePage() {
    iconv_t cd = iconv_open("CP1250", "UTF-16LE");
    Check(cd != reinterpret_cast<iconv_t>(-1), "iconv has no CP1250");
    int mapped = 0;
    for (unsigned u = 0; u < 0x10000; ++u) {
        g_cp1250[u] = -1;
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        char in[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        char out[8];
        char* inp = in;
        char* outp = out;
        std::size_t inLeft = 2;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) && outp - out == 1) {
            g_cp1250[u] = static_cast<unsigned char>(out[0]);
            ++mapped;
        }
    }
    iconv_close(cd);
    // 128 ASCII and 123 defined upper-half bytes.
    Check(mapped >= 250, "iconv's CP1250 table is incomplete");
}

// A line is the text up to the next LF with every CR left out; byte 26 ends the file; the 20
// lines fill score, name, score, name, ...; missing lines are empty.
ModelTable ParseFile(const std::string& bytes) {
    const std::size_t stop = bytes.find('\x1a');
    const std::size_t end = stop == std::string::npos ? bytes.size() : stop;
    std::array<std::string, kLines> lines;
    std::size_t pos = 0;
    for (int i = 0; i < kLines && pos < end; ++i) {
        std::size_t lf = bytes.find('\n', pos);
        if (lf == std::string::npos || lf > end)
            lf = end;
        for (std::size_t j = pos; j < lf; ++j) {
            if (bytes[j] != '\r')
                lines[i] += bytes[j];
        }
        pos = lf < end ? lf + 1 : end;
    }
    ModelTable table;
    for (int r = 0; r < kRows; ++r)
        table[r] = {lines[2 * r], lines[2 * r + 1]};
    return table;
}

std::string Serialize(const ModelTable& table) {
    std::string bytes;
    for (const ModelRow& row : table)
        bytes += row.score + "\r\n" + row.name + "\r\n";
    return bytes;
}

// Leading spaces, an optional sign, decimal digits or hexadecimal digits after "$", "x", "X",
// "0x", "0X", nothing else; decimal within the signed 32-bit range, hexadecimal any 32-bit pattern.
std::optional<std::int32_t> ModelStrToInt(const std::string& s) {
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    bool minus = false;
    if (s[i] == '+' || s[i] == '-') {
        minus = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (s.compare(i, 1, "$") == 0 || s.compare(i, 1, "x") == 0 || s.compare(i, 1, "X") == 0) {
        base = 16;
        i += 1;
    } else if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return std::nullopt;
    const std::string digits = s.substr(i);
    if (digits.find_first_not_of(base == 16 ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
        return std::nullopt;
    // Leading zeros do not count against the range.
    const std::size_t first = digits.find_first_not_of('0');
    const std::string significant = first == std::string::npos ? "0" : digits.substr(first);
    if (significant.size() > (base == 16 ? 8u : 10u))
        return std::nullopt;
    const long long magnitude = std::stoll(significant, nullptr, base);
    if (base == 10) {
        const long long value = minus ? -magnitude : magnitude;
        if (value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(minus ? 0u - bits : bits);
}

std::string ModelName(const std::u16string& typed) {
    std::string stored;
    for (char16_t u : typed) {
        const bool control = u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F);
        if (!control && g_cp1250[u] >= 0)
            stored += static_cast<char>(g_cp1250[u]);
    }
    return stored;
}

enum class Outcome { Entered, Refused, NotANumber };

// The rank search, the refusal, making room and the entry. On NotANumber `badCell` is the text.
Outcome ModelConsider(ModelTable& table, std::int32_t score, const std::string& name, std::string& badCell) {
    int k = 0;
    for (;; ++k) {
        const std::optional<std::int32_t> value = ModelStrToInt(table[k].score);
        if (!value) {
            badCell = table[k].score;
            return Outcome::NotANumber;
        }
        if (*value <= score)
            break;
        if (k == kRows - 1)
            return Outcome::Refused; // even the last row is better
    }
    for (int j = kRows - 1; j > k; --j)
        table[j] = table[j - 1];
    table[k] = {"  " + std::to_string(score), name};
    return Outcome::Entered;
}

std::string FileBytes(const QString& path) {
    std::string bytes;
    const int fd = ::open(tk::EncodeFileName(path).constData(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return bytes;
}

void PutFile(const QString& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(tk::EncodeFileName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Check(fd >= 0, "cannot write the input file");
    Check(::write(fd, data, size) == static_cast<ssize_t>(size), "short write of the input file");
    ::close(fd);
}

std::string Bytes(const QString& cell) {
    return tk::cp1250::Encode(cell).toStdString();
}

void CheckCells(const scores::ScoreCells& cells, const ModelTable& model, const char* what) {
    for (int r = 0; r < kRows; ++r) {
        Check(Bytes(cells.Cell(scores::kScoreCol, r + 1)) == model[r].score, what);
        Check(Bytes(cells.Cell(scores::kNameCol, r + 1)) == model[r].name, what);
    }
}

void RemoveScratchDir() {
    const std::string dir = tk::EncodeFileName(tk::GetCurrentDir()).toStdString();
    ::unlink(tk::EncodeFileName(g_path).constData());
    if (::chdir("/") == 0)
        ::rmdir(dir.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    BuildCodePage();
    // The score file lives in the current directory: a scratch folder on tmpfs where there is one.
    char scratch[] = "/dev/shm/plamkov-score-fuzz-XXXXXX";
    char fallback[] = "/tmp/plamkov-score-fuzz-XXXXXX";
    const char* dir = ::mkdtemp(scratch);
    if (dir == nullptr)
        dir = ::mkdtemp(fallback);
    Check(dir != nullptr && ::chdir(dir) == 0, "no scratch folder");
    g_path = scores::ScoreFilePath(1);
    std::atexit(RemoveScratchDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    std::int32_t score;
    std::memcpy(&score, data, sizeof score);
    std::size_t nameUnits = data[4];
    std::size_t at = 5;
    nameUnits = std::min(nameUnits, (size - at) / 2);
    std::u16string typed;
    for (std::size_t i = 0; i < nameUnits; ++i, at += 2)
        typed += static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    const std::string fileBytes(reinterpret_cast<const char*>(data + at), size - at);

    PutFile(g_path, data + at, size - at);
    ModelTable model = ParseFile(fileBytes);

    scores::TextCells cells;
    scores::LoadTable(g_path, cells);
    CheckCells(cells, model, "loaded cells differ from the file's lines");

    std::string badCell;
    const Outcome expected = ModelConsider(model, score, ModelName(typed), badCell);
    Outcome got = Outcome::Refused;
    try {
        // What the window's ConsiderNewScore does on its grid: insert, and save when it entered.
        // The units as they are: fromUtf16() would read a leading U+FFFE as a byte order mark.
        const QString name(reinterpret_cast<const QChar*>(typed.data()),
                           static_cast<qsizetype>(typed.size()));
        if (scores::InsertScore(cells, score, name)) {
            got = Outcome::Entered;
            scores::SaveTable(g_path, cells);
        }
    } catch (const tk::EConvertError& e) {
        got = Outcome::NotANumber;
        Check(Bytes(e.Text()) == "'" + badCell + "' is not a valid integer value",
              "wrong conversion message");
    }
    Check(got == expected, "entered, refused or failed other than the rules say");

    // Refused or failed: nothing changed and nothing saved.
    const std::string saved = FileBytes(g_path);
    const std::string expectedFile = got == Outcome::Entered ? Serialize(model) : fileBytes;
    if (saved != expectedFile) {
        const auto show = [](const std::string& bytes) {
            return QByteArray::fromStdString(bytes).toPercentEncoding(" ").toStdString();
        };
        std::fprintf(stderr, "saved:    %s\nexpected: %s\n", show(saved).c_str(), show(expectedFile).c_str());
        Fail("file differs from the table");
    }
    CheckCells(cells, model, "table differs from the rules");

    if (got == Outcome::Entered) {
        scores::TextCells again;
        scores::LoadTable(g_path, again);
        CheckCells(again, model, "table read back differs");
    }
    return 0;
}
