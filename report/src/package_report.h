#pragma once

#include <QByteArray>
#include <QString>

#include "package_facts.h"

// The package report text (CR LF line ends) of gathered facts.
QString RenderPackageReport(const PackageFacts& facts);

// The report shown when a package cannot be opened: a fixed prefix and the reader's message.
QString RenderPackageOpenFailure(const QByteArray& readerMessage);
