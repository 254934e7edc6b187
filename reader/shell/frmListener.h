#pragma once

#include "CopyDataRecord.h"

#include <QObject>
#include <functional>

class ListenerTransport;

// The reader's hidden listener. While it is loaded, a second start can reach the running
// reader through it and ask for the main window. It exists from a normal start until the
// main window unloads; a reader started hidden ("-startup") has none.
class frmListener : public QObject
{
    Q_OBJECT
public:
    // `showRequested` runs for each show request: bring the main window back.
    frmListener(ListenerTransport &transport, std::function<void()> showRequested,
                QObject *parent = nullptr);
    ~frmListener() override;

    void Form_Load();
    void Form_Unload();
    bool isLoaded() const;

    // Starts and stops receiving records.
    void HookListener();
    void UnhookListener();

    // Every record that arrives passes through here.
    void ListenerWindowProc(const CopyDataRecord &record);
    // Acts on a show request and ignores everything else.
    void HandleCopyData(const CopyDataRecord &record);

private:
    ListenerTransport &m_transport;
    std::function<void()> m_showRequested;
};
