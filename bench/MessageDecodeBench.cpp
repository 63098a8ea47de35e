// How fast a large saved message decodes: a 2 MB quoted-printable body and a base64 attachment
// making the message about 10 MB, as "View body of one message" meets it.
//   MessageDecodeBench                      run the benchmarks
//   MessageDecodeBench --write-base64 FILE  write the attachment's base64 text, for comparing
//                                           with `base64 -d` (bench/decode-vs-base64.sh)
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Base64.h"
#include "MailMessage.h"
#include "QuotedPrintable.h"

namespace {

constexpr size_t kQuotedPrintableBytes = 2 * 1024 * 1024;
constexpr size_t kAttachmentBytes = 6 * 1024 * 1024;  // about 8 MB once in base64

std::string RandomBytes(size_t size) {
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Base64 in lines of 76 characters, each ended by CR LF.
std::string Base64Lines(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(bytes.size() * 4 / 3 + bytes.size() / 38 + 8);
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const auto byte = [&](size_t k) {
            return i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0u;
        };
        const unsigned group = (byte(0) << 16) | (byte(1) << 8) | byte(2);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
        if ((column += 4) == 76) {
            out += "\r\n";
            column = 0;
        }
    }
    return out + "\r\n";
}

// Latin-1 text with accents, soft-broken at 76 characters as mail programs write it.
std::string QuotedPrintableBody(size_t size) {
    std::string out;
    out.reserve(size + size / 20);
    size_t column = 0;
    while (out.size() < size) {
        const char* piece = (out.size() % 7 == 0) ? "caf=E9 " : "junk mail ";
        out += piece;
        column += std::strlen(piece);
        if (column > 70) {
            out += "=\r\n";
            column = 0;
        }
    }
    return out + "\r\n";
}

const std::string& Attachment() {
    static const std::string text = Base64Lines(RandomBytes(kAttachmentBytes));
    return text;
}

const std::string& Message() {
    static const std::string message =
        "From: Ann <ann@example.org>\r\nSubject: Big one\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
        "Content-Type: text/plain; charset=iso-8859-1\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
        QuotedPrintableBody(kQuotedPrintableBytes) +
        "--b\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        Attachment() + "--b--\r\n";
    return message;
}

void BM_DecodeWholeMessage(benchmark::State& state) {
    const std::string& input = Message();
    for (auto _ : state) {
        kelvane::TmsMessage message;
        message.LoadFromBytes(input);
        benchmark::DoNotOptimize(message.Attachments);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_DecodeWholeMessage)->Unit(benchmark::kMillisecond);

void BM_DecodeBase64Attachment(benchmark::State& state) {
    const std::string& input = Attachment();
    std::vector<std::string> lines;
    for (size_t at = 0; at < input.size();) {
        const size_t end = input.find("\r\n", at);
        lines.push_back(input.substr(at, end - at));
        at = end + 2;
    }
    for (auto _ : state) {
        std::string out;
        for (const std::string& line : lines) out += kelvane::DecodeBase64(line);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_DecodeBase64Attachment)->Unit(benchmark::kMillisecond);

void BM_DecodeQuotedPrintableBody(benchmark::State& state) {
    const std::string body = QuotedPrintableBody(kQuotedPrintableBytes);
    std::vector<std::string> lines;
    for (size_t at = 0; at < body.size();) {
        const size_t end = body.find("\r\n", at);
        lines.push_back(body.substr(at, end - at));
        at = end + 2;
    }
    for (auto _ : state) benchmark::DoNotOptimize(kelvane::TQuotedPrintable::Decode(lines));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeQuotedPrintableBody)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-base64") == 0) {
        std::ofstream(argv[2], std::ios::binary) << Attachment();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
