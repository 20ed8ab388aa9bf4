// The left pane: the navigation and search form, on the frame's collection,
// writing its pages into the frame's private page folder.
#include "ui/app/leftpane.h"

#include "ui/app/mainfrm.h"
#include "ui/panel/leftform.h"

namespace tevarin {

QWidget* CreateLeftPane(CMainFrame* frame, QWidget* parent) {
  auto* form = new CLeftForm(frame->DataFolder(), frame->PageFolder(), parent, frame->OpenFailureNote());
  form->SetPageView(frame->BookView());
  frame->SetLeftForm(form);
  return form;
}

void InitialUpdateLeftPane(CMainFrame*, QWidget* pane) {
  if (auto* form = qobject_cast<CLeftForm*>(pane)) form->InitialUpdate();
}

}  // namespace tevarin
