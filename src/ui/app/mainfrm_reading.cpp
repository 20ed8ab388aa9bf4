// The reading commands of the main frame: page, volume and hit navigation,
// their enable rules, the page box and the slider release. They are commands
// of the reading session (the volume shown, its page, the hit page shown
// last); the frame adds the messages at either end of the volumes and
// selects the new volume's item in the table-of-contents tree, so that the
// page, the tree and the search range move together.
#include <QSlider>
#include <QTreeWidget>

#include "session/readingsession.h"
#include "ui/app/mainfrm.h"
#include "ui/base/messages.h"
#include "ui/controls/scrolltoolbar.h"
#include "ui/panel/leftform.h"
#include "ui/panel/sessionadapter.h"

namespace tevarin {

namespace {

// Selects a tree item (its parent opened, scrolled into view); the form's
// tree handler then runs as for the user's selection.
void SelectTreeItem(CLeftForm* f, QTreeWidgetItem* target) {
  if (!target) return;
  for (QTreeWidgetItem* p = target->parent(); p; p = p->parent()) p->setExpanded(true);
  f->Tree()->setCurrentItem(target);
  f->Tree()->scrollToItem(target);
}

}  // namespace

void CMainFrame::WhenIdle(std::function<void()> command) {
  if (m_pLeftForm)
    m_pLeftForm->Adapter()->WhenIdle(std::move(command));
  else
    command();
}

bool CMainFrame::ReadingAvailable() const {
  return m_pSession && !(m_pLeftForm && m_pLeftForm->Adapter()->LongSearch());
}

bool CMainFrame::CanPrevPage() const { return ReadingAvailable() && m_pSession->CanPrevPage(); }
bool CMainFrame::CanNextPage() const { return ReadingAvailable() && m_pSession->CanNextPage(); }
bool CMainFrame::CanPrevVolume() const { return ReadingAvailable() && m_pSession->CanPrevVolume(); }
bool CMainFrame::CanNextVolume() const { return ReadingAvailable() && m_pSession->CanNextVolume(); }
// The hit commands only move the page view between anchors of a page written
// already: they stay at hand while a search runs.
bool CMainFrame::CanPrevHit() const { return m_pSession && m_pSession->CanPrevHit(); }
bool CMainFrame::CanNextHit() const { return m_pSession && m_pSession->CanNextHit(); }

void CMainFrame::WritePageBox() {
  if (ToolBar()) ToolBar()->WritePageBox();
}

void CMainFrame::OnNextPage() {
  if (m_pSession) WhenIdle([this] { m_pSession->NextPage(); });
}

void CMainFrame::OnPrevPage() {
  if (m_pSession) WhenIdle([this] { m_pSession->PrevPage(); });
}

void CMainFrame::OnNextVolume() {
  if (!m_pSession) return;
  WhenIdle([this] {
    CLeftForm* f = LeftForm();
    if (!m_pSession->NextVolume()) {
      ShowWarning(this, tr("もう最後の巻まで至りました。"));
      return;
    }
    SelectTreeItem(f, f->TreeItemOf(m_pSession->CurNode()));
    WritePageBox();
  });
}

void CMainFrame::OnPrevVolume() {
  if (!m_pSession) return;
  WhenIdle([this] {
    CLeftForm* f = LeftForm();
    if (!m_pSession->PrevVolume()) {
      ShowWarning(this, tr("これ以上戻れません。もう巻一に至っています。"));
      return;
    }
    SelectTreeItem(f, f->TreeItemOf(m_pSession->CurNode()));
    WritePageBox();
  });
}

void CMainFrame::OnNextHit() {
  if (m_pSession) m_pSession->NextHit();
}

void CMainFrame::OnPrevHit() {
  if (m_pSession) m_pSession->PrevHit();
}

void CMainFrame::OnSliderReleased(int position) {
  if (m_pSession) WhenIdle([this, position] { m_pSession->GoToPage(position); });
}

}  // namespace tevarin
