// An XML reader other than libplist's, for tests that check a written property list is well-formed XML 1.0:
// xmllint (libxml2-utils, installed by scripts/install-deps).
//
//     ASSERT_TRUE(hasXmlReader()) << "run scripts/install-deps";
//     EXPECT_EQ(xmlReaderComplaint(bytes), QString());
//
// Main thread only.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace tessly::testing {

[[nodiscard]] inline bool hasXmlReader() {
    return !QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty();
}

/// What the reader says against `document`; empty when it accepts it.
[[nodiscard]] inline QString xmlReaderComplaint(const QByteArray& document) {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::MergedChannels);
    reader.start(QStandardPaths::findExecutable(QStringLiteral("xmllint")), {"--noout", "-"});
    reader.write(document);
    reader.closeWriteChannel();
    if (!reader.waitForFinished(30'000)) {
        return QStringLiteral("xmllint did not finish");
    }
    const QString said = QString::fromUtf8(reader.readAll());
    if (reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0) {
        return {};
    }
    return said.isEmpty() ? QStringLiteral("refused") : said;
}

} // namespace tessly::testing
