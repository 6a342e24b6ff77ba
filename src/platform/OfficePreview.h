#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;

namespace kiro {

// Turns an office document into a PDF for a read-only preview, by running
// LibreOffice headless in the background. The result is cached beside the
// other temporary files, keyed by the document's path, size and time, so
// that selecting the same document again shows it at once.
class OfficePreview : public QObject {
    Q_OBJECT
public:
    explicit OfficePreview(QObject* parent = nullptr);
    ~OfficePreview() override;

    // The converter program; empty when none is installed.
    static QString converterProgram();

    // Where the PDF of this document is (or will be) kept.
    QString cachedPdfFor(const QString& document) const;

    // Starts converting; a running conversion of another document is
    // dropped. Emits ready() or failed() later, never from inside the call,
    // also when the PDF is cached already.
    void request(const QString& document);
    void cancel();
    bool busy() const;
    QString document() const { return m_document; }

    // Upper bound of one conversion; a hung converter is stopped after it.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

Q_SIGNALS:
    void ready(const QString& document, const QString& pdf);
    void failed(const QString& document, const QString& reason);

private:
    void finish(int exitCode);

    QPointer<QProcess> m_process;
    QString m_document;
    QString m_outDir;
    int m_timeoutMs = 120000;
};

} // namespace kiro
