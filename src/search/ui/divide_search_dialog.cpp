#include "search/ui/divide_search_dialog.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/message_service.h"

CDivideSearchDlg::CDivideSearchDlg(vorel::ISettingsStore& store, QWidget* parent) : CDividePageDlg(store, parent) {
    setWindowTitle(QStringLiteral("分割検索設定"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(DivideRows().divideRow);
    layout->addLayout(DivideRows().pageRow);
    layout->addLayout(DivideRows().buttonRow);
    LoadDivideSettings();
}

void CDivideSearchDlg::accept() {
    const std::optional<int> number = vorel::ui::ParseDigitsOnly(NumberEdit()->text());
    if (!number) {
        vorel::Messages().ShowMessage(QStringLiteral("分割検索ｲﾒｰｼﾞ数を確認してください"),
                                      vorel::MessageIcon::Exclamation);
        NumberEdit()->setFocus(Qt::OtherFocusReason);
        return;
    }
    WriteDivideSettings(*number);
    QDialog::accept();
}
