#pragma once

#include <QApplication>

// The application object. An exception escaping an event handler ends the event loop
// and is shown afterwards by the entry point, the same way as one escaping window
// creation: Qt itself cannot carry an exception through its event loop.
class KorvexApplication : public QApplication {
  public:
    KorvexApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;

    // What escaped, as the text the box shows; empty for a non-toolkit exception.
    bool failed() const { return failed_; }
    const QString& failure() const { return failure_; }
    // Keeps what escaped, to be shown once the event loop has ended.
    void record(const QString& text);
    // Keeps it and ends the running event loop.
    void fail(const QString& text);

  private:
    bool failed_ = false;
    QString failure_;
};

// Shows the toolkit's standard box for an exception that escaped.
void ShowExceptionBox(const QString& text);
