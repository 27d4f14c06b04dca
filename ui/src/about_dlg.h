// CAboutDlg, the preview window: shows a package's thumbnail unscaled at client (5, 5), with a
// checkerboard where the thumbnail has no data. Opened without an image it stays empty.
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

    // Builds the picture from `rows` x 512 RGBA thumbnail pixels, which it only reads. The next
    // paint gives the window the picture's size plus the margins.
    void SetImage(int rows, const std::uint32_t* pixels);

    // Runs the window modally; returns QDialog::Accepted or QDialog::Rejected.
    int DoModal();

    // Null until SetImage; a null QImage inside when the picture could not be made.
    const QImage* Image() const { return m_image.get(); }
    bool FirstPaintPending() const { return m_firstPaint; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void OnPaint();

  private:
    std::unique_ptr<QImage> m_image;
    bool m_firstPaint = false;
};
