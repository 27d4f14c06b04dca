// CAboutDlg, the preview window: shows a package's thumbnail unscaled with an even margin of 5
// pixels around it, with a checkerboard where the thumbnail has no data, and the program's icon.
// Opened without an image it keeps its template size and stays empty.
#pragma once

#include <cstdint>
#include <memory>

#include <QDialog>
#include <QImage>

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // Builds the picture from `rows` x 512 RGBA thumbnail pixels, which it only reads, and gives
    // the window the picture's size plus the margins, so it is centred at that size when shown.
    void SetImage(int rows, const std::uint32_t* pixels);

    // Runs the window modally; returns QDialog::Accepted or QDialog::Rejected.
    int DoModal();

    // Null until SetImage; a null QImage inside when the picture could not be made.
    const QImage* Image() const { return m_image.get(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void OnPaint();

  private:
    std::unique_ptr<QImage> m_image;
};
