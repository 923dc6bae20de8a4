#include "host/services.h"

#include <numeric>
#include <vector>

namespace qor {

namespace {

constexpr int kSymbols = 95;          // printable ASCII, 32..126
constexpr int kFrameMin = 88;
constexpr int kFrameHead = 4;         // two length and two check symbols

bool printable(QChar c) { return c.unicode() >= 32 && c.unicode() <= 126; }
int symbolOf(QChar c) { return c.unicode() - 32; }
QChar charOf(int symbol) { return QChar(char16_t(32 + symbol)); }
int mod(long long value) { return int(((value % kSymbols) + kSymbols) % kSymbols); }

int keyShift(int key, int position) { return mod(7LL * key + 13LL * position + 1LL * key * position); }

int stride(int length)
{
    int s = 41;
    while (std::gcd(s, length) != 1) ++s;
    return s;
}

int checksum(const QString &plain)
{
    long long sum = 0;
    for (int i = 0; i < plain.size(); ++i)
        sum += (symbolOf(plain.at(i)) + 1LL) * (i + 1);
    return int(sum % (kSymbols * kSymbols));
}

// Deterministic filler, so the same plain text always gives the same cipher.
std::vector<int> filler(int length, int plainSize, int check)
{
    std::vector<int> out(size_t(std::max(length, 0)));
    unsigned long long x = 0x9E3779B9ULL ^ (unsigned(plainSize) * 2654435761U) ^ unsigned(check);
    for (int &s : out) {
        x = (x * 6364136223846793005ULL + 1442695040888963407ULL);
        s = int((x >> 33) % kSymbols);
    }
    return out;
}

} // namespace

QString Cripto(const QString &plain, int key)
{
    QString out(plain.size(), QChar());
    int previous = mod(31LL * key + 17);
    for (int i = 0; i < plain.size(); ++i) {
        const QChar c = plain.at(i);
        if (!printable(c)) {
            out[i] = c;
            continue;
        }
        previous = mod(symbolOf(c) + keyShift(key, i) + previous);
        out[i] = charOf(previous);
    }
    std::reverse(out.begin(), out.end());
    return out;
}

QString Uncripto(const QString &text, int key)
{
    QString in = text;
    std::reverse(in.begin(), in.end());
    QString out(in.size(), QChar());
    int previous = mod(31LL * key + 17);
    for (int i = 0; i < in.size(); ++i) {
        const QChar c = in.at(i);
        if (!printable(c)) {
            out[i] = c;
            continue;
        }
        out[i] = charOf(mod(symbolOf(c) - keyShift(key, i) - previous));
        previous = symbolOf(c);
    }
    return out;
}

QString CriptoPlus(const QString &plain)
{
    const int n = int(plain.size());
    if (n >= kSymbols * kSymbols) return {};
    for (QChar c : plain)
        if (!printable(c)) return {};
    const int length = std::max(n + kFrameHead, kFrameMin);
    const int check = checksum(plain);
    std::vector<int> frame;
    frame.reserve(size_t(length));
    frame.push_back(n / kSymbols);
    frame.push_back(n % kSymbols);
    frame.push_back(check / kSymbols);
    frame.push_back(check % kSymbols);
    for (QChar c : plain) frame.push_back(symbolOf(c));
    for (int s : filler(length - int(frame.size()), n, check)) frame.push_back(s);

    const int s = stride(length);
    std::vector<int> permuted(static_cast<size_t>(length));
    for (int j = 0; j < length; ++j)
        permuted[size_t((1LL * j * s + 7) % length)] = frame[size_t(j)];
    QString out(length, QChar());
    int previous = 53;
    for (int j = 0; j < length; ++j) {
        previous = mod(permuted[size_t(j)] + 29 + 11LL * j + previous);
        out[j] = charOf(previous);
    }
    return out;
}

QString UncriptoPlus(const QString &text)
{
    const int length = int(text.size());
    if (length < kFrameMin) return {};
    for (QChar c : text)
        if (!printable(c)) return {};
    std::vector<int> permuted(static_cast<size_t>(length));
    int previous = 53;
    for (int j = 0; j < length; ++j) {
        const int c = symbolOf(text.at(j));
        permuted[size_t(j)] = mod(c - 29 - 11LL * j - previous);
        previous = c;
    }
    const int s = stride(length);
    std::vector<int> frame(static_cast<size_t>(length));
    for (int j = 0; j < length; ++j)
        frame[size_t(j)] = permuted[size_t((1LL * j * s + 7) % length)];

    const int n = frame[0] * kSymbols + frame[1];
    if (std::max(n + kFrameHead, kFrameMin) != length) return {};
    QString plain(n, QChar());
    for (int i = 0; i < n; ++i) plain[i] = charOf(frame[size_t(kFrameHead + i)]);
    const int check = checksum(plain);
    if (frame[2] * kSymbols + frame[3] != check) return {};
    const std::vector<int> fill = filler(length - kFrameHead - n, n, check);
    for (size_t i = 0; i < fill.size(); ++i)
        if (frame[size_t(kFrameHead + n) + i] != fill[i]) return {};
    return plain;
}

QString UncriptoShared(const QString &enciphered)
{
    QString t = Uncripto(enciphered, 2);
    t = UncriptoPlus(t);
    t = Uncripto(t);
    t = UncriptoPlus(t);
    t = Uncripto(t);
    t = Uncripto(t);
    t = UncriptoPlus(t);
    t = UncriptoPlus(t);
    t = UncriptoPlus(t);
    t = Uncripto(t);
    return UncriptoPlus(t);
}

QString CriptoShared(const QString &plain)
{
    if (plain.size() > kSharedPlainMax) return {};
    QString t = CriptoPlus(plain);
    if (t.isEmpty()) return {};
    t = Cripto(t);
    t = CriptoPlus(t);
    t = CriptoPlus(t);
    t = CriptoPlus(t);
    t = Cripto(t);
    t = Cripto(t);
    t = CriptoPlus(t);
    t = Cripto(t);
    t = CriptoPlus(t);
    return Cripto(t, 2);
}

}
