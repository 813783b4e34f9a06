#include "KvBoardDomWriter.h"

#include <QDomElement>
#include <QTextCodec>
#include <QTextStream>

namespace {

constexpr int kIndent = 1;

enum class Escape { Text, Attribute };

// Qt's escaping: markup characters, '>' closing "]]", carriage returns (and in attribute values
// quotes, tabs and line feeds) as references; the rest as it stands.
void appendEscaped(QString *out, const QString &value, Escape escape)
{
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '<':
            *out += QLatin1String("&lt;");
            break;
        case '&':
            *out += QLatin1String("&amp;");
            break;
        case '>':
            *out += out->endsWith(QLatin1String("]]")) ? QLatin1String("&gt;") : QLatin1String(">");
            break;
        case '\r':
            *out += QLatin1String("&#xd;");
            break;
        case '"':
            *out += escape == Escape::Attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        case '\n':
            *out += escape == Escape::Attribute ? QLatin1String("&#xa;") : QLatin1String("\n");
            break;
        case '\t':
            *out += escape == Escape::Attribute ? QLatin1String("&#x9;") : QLatin1String("\t");
            break;
        default:
            *out += c;
        }
    }
}

bool isPlain(const QDomNode &node)
{
    return node.namespaceURI().isNull() && node.prefix().isEmpty();
}

bool writeElement(QString *out, const QDomElement &element, int depth)
{
    if (!isPlain(element))
        return false;
    const QString indent(depth * kIndent, QLatin1Char(' '));
    *out += indent + QLatin1Char('<') + element.tagName();
    const QDomNamedNodeMap attributes = element.attributes();
    for (int i = 0; i < attributes.length(); ++i) {
        const QDomAttr attribute = attributes.item(i).toAttr();
        if (!isPlain(attribute))
            return false;
        *out += QLatin1Char(' ') + attribute.name() + QLatin1String("=\"");
        appendEscaped(out, attribute.value(), Escape::Attribute);
        *out += QLatin1Char('"');
    }
    const QDomNode first = element.firstChild();
    if (first.isNull()) {
        *out += QLatin1String("/>\n");
        return true;
    }
    if (first.nodeType() == QDomNode::TextNode && first.nextSibling().isNull()) {
        *out += QLatin1Char('>');
        appendEscaped(out, first.nodeValue(), Escape::Text);
    } else {
        *out += QLatin1String(">\n");
        for (QDomNode child = first; !child.isNull(); child = child.nextSibling()) {
            if (!child.isElement() || !writeElement(out, child.toElement(), depth + 1))
                return false;
        }
        *out += indent;
    }
    *out += QLatin1String("</") + element.tagName() + QLatin1String(">\n");
    return true;
}

} // namespace

QByteArray KvBoardDomWriter::write(const QDomElement &element)
{
    QString text;
    // Beside text, Qt leaves out the element's indent or its line end.
    if (!element.previousSibling().isText() && !element.nextSibling().isText()
        && writeElement(&text, element, 1))
        return text.toUtf8();
    text.clear();
    QTextStream stream(&text);
    stream.setCodec(QTextCodec::codecForName("UTF-8"));
    element.save(stream, kIndent);
    return text.toUtf8();
}
