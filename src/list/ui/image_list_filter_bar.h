// The filter row above the image list's views: text, a toggle per kind and
// the smallest size shown. It only drives the filter model.
#pragma once

#include <QWidget>

class QLineEdit;
class QSpinBox;
class QToolButton;

namespace vorel::ui {

class CImageListFilter;

class CImageListFilterBar : public QWidget {
    Q_OBJECT
  public:
    CImageListFilterBar(CImageListFilter& filter, QWidget* parent = nullptr);

    QLineEdit* TextEdit() const { return text_; }
    QToolButton* KindButton() const { return kinds_; }
    QSpinBox* MinimumSizeBox() const { return minimum_; }

  private:
    // The kind button's text: "種類", or "種類 (6/8)" while kinds are left out.
    void ShowKindsFiltered();

    CImageListFilter& filter_;
    QLineEdit* text_ = nullptr;
    QToolButton* kinds_ = nullptr;
    QSpinBox* minimum_ = nullptr;
};

}  // namespace vorel::ui
