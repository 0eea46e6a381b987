#include "onvif/XmlTree.h"

#include "onvif/OnvifLimits.h"

#include <QXmlStreamReader>

using namespace OnvifLimits;

const XmlElement *XmlElement::child(QStringView localName) const
{
    for (const XmlElement &c : children) {
        if (c.name == localName)
            return &c;
    }
    return nullptr;
}

const XmlElement *XmlElement::at(QStringView path) const
{
    const XmlElement *e = this;
    for (QStringView step : path.split(u'/')) {
        e = e->child(step);
        if (!e)
            return nullptr;
    }
    return e;
}

const XmlElement *XmlElement::find(QStringView localName) const
{
    for (const XmlElement &c : children) {
        if (c.name == localName)
            return &c;
        if (const XmlElement *below = c.find(localName))
            return below;
    }
    return nullptr;
}

QList<const XmlElement *> XmlElement::findAll(QStringView localName) const
{
    QList<const XmlElement *> found;
    for (const XmlElement &c : children) {
        if (c.name == localName)
            found << &c;
        else
            found << c.findAll(localName);
    }
    return found;
}

QString XmlElement::attribute(QStringView localName) const
{
    for (const auto &[name, value] : attributes) {
        if (name == localName)
            return value;
    }
    return QString();
}

QString XmlElement::textAt(QStringView path) const
{
    const XmlElement *e = at(path);
    return e ? e->text : QString();
}

namespace XmlTree {

std::optional<XmlElement> parse(QByteArrayView bytes, QString *error)
{
    if (bytes.size() > kMaxAnswerBytes) {
        *error = QStringLiteral("the answer is larger than %1 KiB").arg(kMaxAnswerBytes / 1024);
        return std::nullopt;
    }
    // Read in place: the bytes outlive the reader.
    QXmlStreamReader reader(QByteArray::fromRawData(bytes.data(), bytes.size()));
    reader.setNamespaceProcessing(true);
    // The path from the root to the element being read; each is moved
    // into its parent when it ends.
    QList<XmlElement> open;
    std::optional<XmlElement> root;
    int elements = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            *error = QStringLiteral("the answer declares a document type");
            return std::nullopt;
        case QXmlStreamReader::StartElement: {
            if (root) {
                *error = QStringLiteral("the answer has more than one root element");
                return std::nullopt;
            }
            if (open.size() >= kMaxXmlDepth) {
                *error = QStringLiteral("the answer nests deeper than %1 elements").arg(kMaxXmlDepth);
                return std::nullopt;
            }
            if (++elements > kMaxXmlElements) {
                *error = QStringLiteral("the answer has more than %1 elements").arg(kMaxXmlElements);
                return std::nullopt;
            }
            XmlElement e;
            e.name = reader.name().toString();
            for (const QXmlStreamAttribute &a : reader.attributes())
                e.attributes.append({a.name().toString(), a.value().left(kMaxTextChars).toString()});
            open.append(std::move(e));
            break;
        }
        case QXmlStreamReader::Characters:
            if (!open.isEmpty() && open.last().text.size() < kMaxTextChars)
                open.last().text += reader.text().left(kMaxTextChars - open.last().text.size());
            break;
        case QXmlStreamReader::EndElement: {
            XmlElement e = open.takeLast();
            e.text = e.text.trimmed();
            if (open.isEmpty())
                root = std::move(e);
            else
                open.last().children.append(std::move(e));
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError() || !root) {
        *error = reader.hasError() ? QStringLiteral("the answer is not well-formed XML (%1)")
                                         .arg(reader.errorString().left(kMaxShownChars))
                                   : QStringLiteral("the answer is empty");
        return std::nullopt;
    }
    return root;
}

} // namespace XmlTree
