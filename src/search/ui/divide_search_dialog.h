// The divided-search dialog ("分割検索設定") that a search started from
// anywhere but the open dialog shows first: Cancel there cancels the search.
// Nothing reaches the store until OK.
#pragma once

#include "search/ui/divide_page_dialog.h"

class CDivideSearchDlg : public CDividePageDlg {
    Q_OBJECT
  public:
    explicit CDivideSearchDlg(vorel::ISettingsStore& store, QWidget* parent = nullptr);

  public slots:
    void accept() override;  // OK: validate, write, close
};
