#pragma once
// Lets GoogleTest print Qt strings as readable UTF-8 in failure messages.
// Include it in a test file before the first check that compares QStrings.

#include <QString>
#include <QStringList>
#include <ostream>

void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& texts, std::ostream* out);
