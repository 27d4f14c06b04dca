// CTarnviewDlg, the tool's main window: the path box, the select-file and preview buttons and the
// report box. A path arrives through the file dialog or a drop; the dialog stores it, shows it and
// analyses it. Enter reads the boxes and closes, Escape and the close box cancel.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QSize>
#include <QString>
#include <QStringList>

#include <string>

#include "dynamic_layout.h"

class DataExchange;
class PathBox;
class QLabel;
class QMenu;
class QPushButton;
class ReportBox;

class CTarnviewDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CTarnviewDlg(QWidget* parent = nullptr);
    ~CTarnviewDlg() override;

    // true reads the boxes into the members (and may fail the length rule), false writes them out.
    bool UpdateData(bool saveAndValidate);

    // Enter: reads the boxes with the length rule and closes only if that passes.
    void OnOK();
    // Commands of the window menu (the context menu of the dialog's own area here).
    void OnSysCommand(unsigned nID);
    void OnDropFiles(const QStringList& paths);
    void OnBrowse();
    void OnPreview();
    void AnalyzeFile();

    // Stands in for the window menu; its last item opens the empty preview window.
    QMenu* SystemMenu() const { return systemMenu_; }

    QIcon m_hIcon;
    QString m_strPath;
    QString m_strReport;

  protected:
    void DoDataExchange(DataExchange& dx);
    bool OnInitDialog();

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CreateControls();
    // Maximised or full screen: the size is the window manager's, and the layout follows it.
    bool SizeIsFree() const;
    // Outside those states the window has its first size: any other is undone.
    void KeepNormalSize();
    // The path box's path as the system takes it: the dropped name's own bytes while the box
    // still holds that drop (a name that is not UTF-8 cannot survive the box's text), else the
    // box's text in UTF-8.
    std::string LocalPath() const;

    QLabel* label_ = nullptr;
    PathBox* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    ReportBox* report_ = nullptr;
    QPushButton* preview_ = nullptr;
    QMenu* systemMenu_ = nullptr;
    DynamicLayout layout_;
    QSize normalSize_;
    std::string droppedPath_;  // the last dropped name, byte for byte
};
