#pragma once

#include <QString>
#include <QStringList>

// File dialog filters are kept in their stored form, pairs of description
// and patterns joined by "|" ("Texte (*.txt)|*.txt|Tous (*.*)|*.*").
namespace FileFilter {

// Qt name filters in the same order, one per pair: the description without
// its own parenthesised pattern list, then the patterns in parentheses.
// "*.*" meant every file, so it becomes "*" (on other systems "*.*" skips
// names without a dot); ";" between patterns becomes a blank.
QStringList toNameFilters(const QString &stored);

} // namespace FileFilter
