// The reading commands of the main frame: page, volume and hit navigation,
// their enable rules, the page box and the slider release. They are commands
// of the reading session (the volume shown, its page, the hit page shown
// last); the frame adds the messages at either end of the volumes and moves
// the selection of the table-of-contents tree along with the volume.
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

// The volume entries lie at the third level of the tree: next and previous
// items as the tree's selection moves from volume to volume.
QTreeWidgetItem* NextVolumeItem(QTreeWidget* tree, QTreeWidgetItem* sel) {
  if (!sel) return nullptr;
  QTreeWidgetItem* parent = sel->parent();
  const int idx = parent ? parent->indexOfChild(sel) : tree->indexOfTopLevelItem(sel);
  const int siblings = parent ? parent->childCount() : tree->topLevelItemCount();
  if (idx + 1 < siblings) return parent ? parent->child(idx + 1) : tree->topLevelItem(idx + 1);
  if (!parent) return nullptr;
  QTreeWidgetItem* gp = parent->parent();
  const int pidx = gp ? gp->indexOfChild(parent) : tree->indexOfTopLevelItem(parent);
  const int psib = gp ? gp->childCount() : tree->topLevelItemCount();
  if (pidx + 1 >= psib) return nullptr;
  QTreeWidgetItem* next = gp ? gp->child(pidx + 1) : tree->topLevelItem(pidx + 1);
  return next->childCount() ? next->child(0) : nullptr;
}

QTreeWidgetItem* PrevVolumeItem(QTreeWidget* tree, QTreeWidgetItem* sel) {
  if (!sel) return nullptr;
  QTreeWidgetItem* parent = sel->parent();
  const int idx = parent ? parent->indexOfChild(sel) : tree->indexOfTopLevelItem(sel);
  if (idx > 0) return parent ? parent->child(idx - 1) : tree->topLevelItem(idx - 1);
  if (!parent) return nullptr;
  QTreeWidgetItem* gp = parent->parent();
  const int pidx = gp ? gp->indexOfChild(parent) : tree->indexOfTopLevelItem(parent);
  if (pidx <= 0) return nullptr;
  QTreeWidgetItem* prev = gp ? gp->child(pidx - 1) : tree->topLevelItem(pidx - 1);
  return prev->childCount() ? prev->child(prev->childCount() - 1) : nullptr;
}

// Selects a tree item (its parent opened, scrolled into view); the form's
// tree handler then runs as for the user's selection.
void SelectTreeItem(CLeftForm* f, QTreeWidgetItem* target) {
  if (!target) return;
  if (target->parent()) target->parent()->setExpanded(true);
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
      ShowWarning(this, QStringLiteral("もう最後の巻まで至りました。"));
      return;
    }
    QTreeWidgetItem* target = NextVolumeItem(f->Tree(), f->Tree()->selectedItems().value(0));
    // Without a selected item to step from, the volume's own item is selected.
    SelectTreeItem(f, target ? target : f->TreeItemOf(m_pSession->CurNode()));
    WritePageBox();
  });
}

void CMainFrame::OnPrevVolume() {
  if (!m_pSession) return;
  WhenIdle([this] {
    CLeftForm* f = LeftForm();
    if (!m_pSession->PrevVolume()) {
      ShowWarning(this, QStringLiteral("これ以上戻れません。もう巻一に至っています。"));
      return;
    }
    QTreeWidgetItem* target = PrevVolumeItem(f->Tree(), f->Tree()->selectedItems().value(0));
    SelectTreeItem(f, target ? target : f->TreeItemOf(m_pSession->CurNode()));
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
