#pragma once

#include <QString>
#include <QStringList>

namespace zuvo {

// A second contact of one display name is told apart by "(1)", a third by "(2)", and so on:
// name itself when no name in taken matches it (ignoring case), else name + "(n)" for the
// smallest n that is free.
QString UniqueDisplayName(const QString& name, const QStringList& taken);

}  // namespace zuvo
