#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kiro {

// A question or message for the user, already translated and filled in.
struct MessageRequest {
    QString key;          // the message key the caller named ("19", or an English sentence)
    QString text;         // the translated text with its arguments filled in
    int defaultCode = 0;  // the button that Return presses; 0 for none
    QList<int> buttons;   // button codes, left to right
};

// What a file or directory dialog asks for.
struct FileRequest {
    enum class Kind { OpenFile, OpenFiles, SaveFile, Directory };
    Kind kind = Kind::OpenFile;
    QString caption;
    QString directory;    // where it starts
    QString filter;       // Qt filter text, e.g. "Tables (*.sqlite);;All files (*)"
    QString defaultSuffix;
    bool mustExist = true;
};

// The one way the program talks to the user modally. Every message box,
// plain notice, file or directory dialog goes through the installed
// service, so that the program's flows can be driven by a script in tests
// and no code below the windows shows anything itself.
//
// The widget layer installs the real service (which also runs modal
// dialogs); tests install a scripted one. Main thread only.
class Interaction {
public:
    virtual ~Interaction();

    // The translated message box; returns the code of the button pressed,
    // 2 when it was closed with its close box.
    virtual int showMessage(const MessageRequest& request) = 0;
    // The platform's plain, untranslated information box with an OK button.
    virtual void showPlainMessage(const QString& text) = 0;
    // Selected paths; empty when the user cancelled.
    virtual QStringList chooseFiles(const FileRequest& request) = 0;
};

// The installed service. Without one (a headless tool), messages go to the
// log and questions get their default answer.
Interaction& interaction();
// Installs a service and returns the previous one; the caller keeps ownership.
Interaction* setInteraction(Interaction* service);

} // namespace kiro
