// The info text of thumbnail entries: building, splitting, path, hint.
#include "ThumbInfo.h"

#include <QTest>

class TestThumbInfo : public QObject {
  Q_OBJECT
private slots:
  void split_data() {
    QTest::addColumn<QString>("info");
    QTest::addColumn<QStringList>("parts");  // path, c1, c2, c3
    QTest::newRow("full") << "/d/a.dwg|大小: 12 KB|类型: DWG 图纸|修改日期: 2024-01-02"
                          << QStringList{"/d/a.dwg", " 12 KB", " DWG 图纸", " 2024-01-02"};
    QTest::newRow("folder, empty size") << "/d/sub/||类型: 文件夹|修改日期: x"
                                        << QStringList{"/d/sub/", "", " 文件夹", " x"};
    QTest::newRow("outside file system") << "|||" << QStringList{"", "", "", ""};
    QTest::newRow("no separator") << "/only/path" << QStringList{"/only/path", "", "", ""};
    QTest::newRow("one separator") << "/p|大小: 1" << QStringList{"/p", " 1", "", ""};
    QTest::newRow("fourth separator stays in c3") << "/p|a|b|c: x|y" << QStringList{"/p", "a", "b", " x|y"};
    QTest::newRow("colon kept after first") << "/p|t: 12:30||" << QStringList{"/p", " 12:30", "", ""};
  }
  void split() {
    QFETCH(QString, info);
    QFETCH(QStringList, parts);
    QString path, c1, c2, c3;
    SplitThumbInfo(info, path, c1, c2, c3);
    QCOMPARE((QStringList{path, c1, c2, c3}), parts);
    QCOMPARE(ThumbInfoPath(info), parts[0]);
  }

  void pathWithSeparatorSurvives() {
    for (const QString& path : {QStringLiteral("/d/a|b.dwg"), QStringLiteral("/d/100%|x%7C.dwg"),
                                QStringLiteral("|"), QStringLiteral("/plain.dwg")}) {
      const QString info = MakeThumbInfo(path, "大小: 1 KB", "类型: t", "");
      QCOMPARE(ThumbInfoPath(info), path);
      QString p, c1, c2, c3;
      SplitThumbInfo(info, p, c1, c2, c3);
      QCOMPARE(p, path);
      QCOMPARE(c1, QStringLiteral(" 1 KB"));
      QCOMPARE(c2, QStringLiteral(" t"));
      QCOMPARE(ThumbInfoToHint(info), QStringLiteral("\r\n大小: 1 KB\r\n类型: t"));
    }
  }

  void hint_data() {
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("hint");
    QTest::newRow("three details") << "/p|大小: 1|类型: t|修改日期: d"
                                   << "\r\n大小: 1\r\n类型: t\r\n修改日期: d";
    QTest::newRow("empty details") << "/p|||" << "";
    QTest::newRow("middle empty") << "/p|大小: 1||修改日期: d" << "\r\n大小: 1\r\n修改日期: d";
    QTest::newRow("no separator") << "/p" << "\r\n/p";
  }
  void hint() {
    QFETCH(QString, info);
    QFETCH(QString, hint);
    QCOMPARE(ThumbInfoToHint(info), hint);
  }

  void stripCaption() {
    QString s = "类型: DWG";
    StripCaption(s);
    QCOMPARE(s, QStringLiteral(" DWG"));
    s = "no colon";
    StripCaption(s);
    QCOMPARE(s, QStringLiteral("no colon"));
  }
};

QTEST_GUILESS_MAIN(TestThumbInfo)
#include "tst_thumbinfo.moc"
