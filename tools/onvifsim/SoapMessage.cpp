#include "SoapMessage.h"

#include <QXmlStreamReader>

namespace OnvifSim {

QString SoapMessage::argument(const QString &name) const
{
    for (const auto &[key, value] : fields) {
        if (key == name)
            return value;
    }
    return {};
}

QStringList SoapMessage::arguments(const QString &name) const
{
    QStringList values;
    for (const auto &[key, value] : fields) {
        if (key == name)
            values << value;
    }
    return values;
}

namespace {

constexpr char kWsseNs[] = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";

// Elements are identified by their local names below a known parent:
// clients disagree on prefixes, and some on the WS-Addressing version.
class Parser
{
public:
    explicit Parser(const QByteArray &bytes) : m_reader(bytes) {}

    std::optional<SoapMessage> run(QString *error)
    {
        while (!m_reader.atEnd()) {
            const auto token = m_reader.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!startElement(error))
                    return std::nullopt;
            } else if (token == QXmlStreamReader::EndElement) {
                m_path.removeLast();
            } else if (token == QXmlStreamReader::DTD) {
                // Entity expansion is a way to make a small request huge.
                *error = QStringLiteral("a DTD is not accepted");
                return std::nullopt;
            }
        }
        if (m_reader.hasError()) {
            *error = QStringLiteral("not well-formed XML: %1").arg(m_reader.errorString());
            return std::nullopt;
        }
        if (!m_sawBody) {
            *error = QStringLiteral("no SOAP 1.2 Body");
            return std::nullopt;
        }
        return m_message;
    }

private:
    bool startElement(QString *error)
    {
        const QString name = m_reader.name().toString();
        if (m_path.size() >= kMaxXmlDepth) {
            *error = QStringLiteral("nested deeper than %1").arg(kMaxXmlDepth);
            return false;
        }
        const qsizetype depth = m_path.size();
        m_path.append(name);
        if (depth == 0) {
            if (name != QLatin1String("Envelope") || m_reader.namespaceUri() != QLatin1String(kSoapEnvelopeNs)) {
                *error = QStringLiteral("not a SOAP 1.2 envelope");
                return false;
            }
            return true;
        }
        if (depth == 1) {
            m_sawBody = m_sawBody || name == QLatin1String("Body");
            return true;
        }
        if (m_path[1] == QLatin1String("Header"))
            return headerElement(name, depth, error);
        if (m_path[1] == QLatin1String("Body")) {
            if (depth == 2 && m_message.action.isEmpty()) {
                m_message.action = name;
                m_message.actionNamespace = m_reader.namespaceUri().toString();
            } else if (depth == 3 && m_path[2] == m_message.action) {
                if (m_message.fields.size() >= kMaxArguments) {
                    *error = QStringLiteral("more than %1 arguments").arg(kMaxArguments);
                    return false;
                }
                // Only simple arguments matter here; a structured one reads
                // as its text.
                QString text;
                if (!readText(&text, error))
                    return false;
                m_message.fields.append({name, text});
            }
        }
        return true;
    }

    bool headerElement(const QString &name, qsizetype depth, QString *error)
    {
        if (depth == 2 && name == QLatin1String("MessageID"))
            return readText(&m_message.messageId, error);
        if (depth == 3 && name == QLatin1String("UsernameToken") && m_path[2] == QLatin1String("Security")
            && m_reader.namespaceUri() == QLatin1String(kWsseNs)) {
            m_message.token = UsernameToken{};
            return true;
        }
        if (depth != 4 || !m_message.token || m_path[3] != QLatin1String("UsernameToken"))
            return true;
        UsernameToken &token = *m_message.token;
        if (name == QLatin1String("Username"))
            return readText(&token.username, error);
        if (name == QLatin1String("Password")) {
            token.passwordType = m_reader.attributes().value(QLatin1String("Type")).toString();
            if (token.passwordType.size() > kMaxFieldChars) {
                *error = QStringLiteral("password type too long");
                return false;
            }
            return readText(&token.password, error);
        }
        if (name == QLatin1String("Nonce"))
            return readText(&token.nonce, error);
        if (name == QLatin1String("Created"))
            return readText(&token.created, error);
        return true;
    }

    // Reads to the element's end, so the path loses it again.
    bool readText(QString *text, QString *error)
    {
        *text = m_reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        m_path.removeLast();
        if (m_reader.hasError()) {
            *error = QStringLiteral("not well-formed XML: %1").arg(m_reader.errorString());
            return false;
        }
        if (text->size() > kMaxFieldChars) {
            *error = QStringLiteral("a field longer than %1 characters").arg(kMaxFieldChars);
            return false;
        }
        return true;
    }

    QXmlStreamReader m_reader;
    QStringList m_path;
    SoapMessage m_message;
    bool m_sawBody = false;
};

} // namespace

std::optional<SoapMessage> parseSoapMessage(const QByteArray &bytes, QString *error)
{
    return Parser(bytes).run(error);
}

} // namespace OnvifSim
