#pragma once
#include <QString>

namespace vcs {

// True when the path starts with a drive ("c:", "D:\x").
bool TemUnidade(const QString &path);
// A working-copy path without a drive is taken on drive C: "c:" goes in
// front of it; a path with a drive, in either case, is left as it is.
QString ComUnidade(const QString &path);
// The last name of a path ("\" or "/" before it); the whole text without one.
QString NomeDoArquivo(const QString &path);
// The path up to its last "\"; the whole text without one.
QString DiretorioDe(const QString &path);

}
