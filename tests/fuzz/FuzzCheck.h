#pragma once

// What the fuzz targets hold every output to. A broken rule aborts, which libFuzzer reports as a
// crash and keeps the input that caused it.

#include <QByteArray>
#include <QXmlStreamReader>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace varno::fuzz {

// shown: what the rule was checked on, printed when it breaks.
inline void require(bool holds, const char* rule, const std::string& shown = {})
{
    if (!holds) {
        std::fprintf(stderr, "fuzz rule broken: %s\n%s\n", rule, shown.c_str());
        std::abort();
    }
}

// Whether an XML reader accepts the whole text (it reads the declared encoding itself).
inline bool readsAsXml(const std::string& bytes)
{
    QXmlStreamReader reader(QByteArray::fromStdString(bytes));
    while (!reader.atEnd()) {
        reader.readNext();
    }
    return !reader.hasError();
}

} // namespace varno::fuzz
