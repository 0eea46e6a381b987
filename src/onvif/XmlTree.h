#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// A device's XML as a small tree of elements named by their local name
// alone: devices disagree on prefixes and even on namespaces (ver10 and
// ver20 answers, vendors' own), and what we read is identified well enough
// by where it sits.
struct XmlElement
{
    QString name;  // local name
    QString text;  // the element's own text, trimmed
    QList<std::pair<QString, QString>> attributes;  // local name, value
    QList<XmlElement> children;

    // The first child of that name, or null.
    const XmlElement *child(QStringView localName) const;
    // Down a path of child names ("Resolution/Width"); null when any step is missing.
    const XmlElement *at(QStringView path) const;
    // The first element of that name anywhere below, depth first, or null.
    const XmlElement *find(QStringView localName) const;
    // Every element of that name below, not looking inside a match.
    QList<const XmlElement *> findAll(QStringView localName) const;
    QString attribute(QStringView localName) const;
    // The text at a path, empty when missing.
    QString textAt(QStringView path) const;
};

namespace XmlTree {

// The document's root element, or nullopt and *error: not well-formed, a
// document type declaration (never in SOAP; the door to entity tricks),
// or past OnvifLimits' bytes, depth or element count.
std::optional<XmlElement> parse(QByteArrayView bytes, QString *error);

} // namespace XmlTree
