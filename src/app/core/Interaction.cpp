#include "app/core/Interaction.h"

#include <QDebug>

namespace kiro {

Interaction::~Interaction() = default;

namespace {

class HeadlessInteraction final : public Interaction {
public:
    int showMessage(const MessageRequest& request) override
    {
        qWarning().noquote() << "KIRO:" << request.text;
        if (request.defaultCode != 0)
            return request.defaultCode;
        return request.buttons.isEmpty() ? 2 : request.buttons.first();
    }
    void showPlainMessage(const QString& text) override { qWarning().noquote() << "KIRO:" << text; }
    QStringList chooseFiles(const FileRequest&) override { return {}; }
};

Interaction* g_service = nullptr;

} // namespace

Interaction& interaction()
{
    static HeadlessInteraction headless;
    return g_service ? *g_service : headless;
}

Interaction* setInteraction(Interaction* service)
{
    Interaction* previous = g_service;
    g_service = service;
    return previous;
}

} // namespace kiro
