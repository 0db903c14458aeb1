#include "ThumbInfo.h"

namespace {
const QChar kSep = u'|';

QString unescapePath(const QString& s) {
  if (!s.contains(u'%')) return s;
  QString out;
  out.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'%' && i + 2 < s.size()) {
      const QStringView code = QStringView(s).mid(i + 1, 2);
      if (code.compare(u"7C", Qt::CaseInsensitive) == 0) {
        out += kSep;
        i += 2;
        continue;
      }
      if (code == u"25") {
        out += u'%';
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// Text before the first separator into `head`, the rest after it into `tail`;
// false (and `head` = all) without one.
bool cut(const QString& text, QString& head, QString& tail) {
  const qsizetype at = text.indexOf(kSep);
  if (at < 0) {
    head = text;
    return false;
  }
  head = text.left(at);
  tail = text.mid(at + 1);
  return true;
}
}  // namespace

QString ThumbInfoEscapePath(const QString& path) {
  QString out = path;
  out.replace(u'%', QStringLiteral("%25"));
  out.replace(kSep, QStringLiteral("%7C"));
  return out;
}

QString MakeThumbInfo(const QString& path, const QString& c1, const QString& c2, const QString& c3) {
  return ThumbInfoEscapePath(path) + kSep + c1 + kSep + c2 + kSep + c3;
}

void StripCaption(QString& text) {
  const qsizetype at = text.indexOf(u':');
  if (at >= 0) text = text.mid(at + 1);
}

void SplitThumbInfo(const QString& info, QString& path, QString& c1, QString& c2, QString& c3) {
  c1.clear();
  c2.clear();
  c3.clear();
  QString rest;
  if (cut(info, path, rest)) {
    QString rest2;
    if (cut(rest, c1, rest2)) {
      QString rest3;
      if (cut(rest2, c2, rest3)) c3 = rest3;  // further separators stay in c3
    }
  }
  path = unescapePath(path);
  StripCaption(c1);
  StripCaption(c2);
  StripCaption(c3);
}

QString ThumbInfoPath(const QString& info) {
  const qsizetype at = info.indexOf(kSep);
  return unescapePath(at < 0 ? info : info.left(at));
}

QString ThumbInfoToHint(const QString& info) {
  QString result;
  QString rest = info;
  const qsizetype first = rest.indexOf(kSep);
  if (first >= 0) rest = rest.mid(first + 1);
  for (qsizetype at; (at = rest.indexOf(kSep)) >= 0;) {
    const QString line = rest.left(at);
    if (!line.isEmpty()) result += QStringLiteral("\r\n") + line;
    rest = rest.mid(at + 1);
  }
  if (!rest.isEmpty()) result += QStringLiteral("\r\n") + rest;
  return result;
}
