#pragma once

#include <QString>
#include <QUrl>

// Camera addresses may carry a user and password; nothing the engine
// reports (errors, counters, tool output) may show them.
namespace UrlCredentials {

// The address without its user information.
QString displayUrl(const QUrl &url);

// text with every form of url's user name and password masked.
QString redacted(QString text, const QUrl &url);

} // namespace UrlCredentials
