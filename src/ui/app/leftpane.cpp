// The left pane: the navigation and search form, on the frame's collection,
// writing its pages into the frame's private page folder.
#include "ui/app/leftpane.h"

#include "ui/app/mainfrm.h"
#include "ui/panel/concordanceview.h"
#include "ui/panel/distributionview.h"
#include "ui/panel/leftform.h"

namespace tevarin {

QWidget* CreateLeftPane(CMainFrame* frame, QWidget* parent) {
  auto* form = new CLeftForm(frame->DataFolder(), frame->PageFolder(), parent, frame->OpenFailureNote());
  form->SetPageView(frame->BookView());
  frame->SetLeftForm(form);
  // After 目録 and 検索: the current search's lines in context.
  form->AddPage(CConcordanceView::tr("用例"), new CConcordanceView(form));
  // Where the current search's hits lie, per division, book and volume.
  form->AddPage(CDistributionView::tr("分布"), new CDistributionView(form));
  return form;
}

void InitialUpdateLeftPane(CMainFrame*, QWidget* pane) {
  if (auto* form = qobject_cast<CLeftForm*>(pane)) form->InitialUpdate();
}

}  // namespace tevarin
