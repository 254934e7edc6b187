#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

// The "Find" window: searches the document forward for a text, from its start at the first
// search and from the end of the current selection afterwards, and replaces the selection.
// It stays above the other windows beside the main window without blocking it, and closes
// (for good: the next one starts afresh) when nothing more is found or on "&Cancel".
class FindDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString FindCaption;     // "&Find"
    static const QString FindNextCaption; // "&Find Next"
    // Client area, in twips.
    static constexpr int DesignWidth = 5295;
    static constexpr int DesignHeight = 1935;
    // Distance of the window from the top left corner of the screen, in twips.
    static constexpr int DesignOffset = 4000;

    FindDialog(QTextEdit *editor, QWidget *mainWindow);

    // Shows the window of `mainWindow`, creating it when none is open.
    static FindDialog *open(QTextEdit *editor, QWidget *mainWindow);

    QLabel *findLabel = nullptr;
    QLineEdit *findEdit = nullptr;
    QPushButton *findButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QCheckBox *matchCaseBox = nullptr;
    QLabel *replaceLabel = nullptr;
    QLineEdit *replaceEdit = nullptr;
    QPushButton *replaceButton = nullptr;

    // The options every search gets: 4 (match case) while "Match Case" is ticked, else 0.
    int findOptions = 0;

public slots:
    void findNext();
    void cancel();
    void replace();
    void updateMatchCase();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void placeOnScreen();

    QPointer<QTextEdit> m_editor;
    QPointer<QWidget> m_mainWindow;
};
