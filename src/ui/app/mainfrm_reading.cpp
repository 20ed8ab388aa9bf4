// The reading commands of the main frame: page, volume and hit navigation,
// their enable rules, the page box and the slider release. They work on the
// navigation form's state: the volume shown (m_nCurNode), its page
// (m_nCurPageNo) and the hit page shown last (m_strHitPage, m_nHitCount,
// m_nHitIndex).
#include <QSlider>
#include <QTreeWidget>

#include "ui/app/mainfrm.h"
#include "ui/base/messages.h"
#include "ui/controls/scrolltoolbar.h"
#include "ui/panel/leftform.h"
#include "ui/view/bookview.h"

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

}  // namespace

bool CMainFrame::CanPrevPage() const {
  const CLeftForm* f = LeftForm();
  if (!f) return false;
  const NodeItem* e = f->NodeItemAt(f->m_nCurNode);
  return f->m_nCurPageNo - (e ? e->curFileName : 0) >= 1;  // entry 0 holds nothing
}

bool CMainFrame::CanNextPage() const {
  const CLeftForm* f = LeftForm();
  if (!f || f->m_nCurNode == 0) return false;
  const NodeItem* e = f->NodeItemAt(f->m_nCurNode);
  return e && static_cast<uint32_t>(f->m_nCurPageNo - e->curFileName + 1) < static_cast<uint32_t>(e->docNo);
}

bool CMainFrame::CanPrevVolume() const {
  const CLeftForm* f = LeftForm();
  if (!f || f->m_nCurNode == 0) return false;
  for (int i = 1; i < f->m_nCurNode; ++i)
    if (const NodeItem* e = f->NodeItemAt(i); e && e->level == 3) return true;
  return false;
}

bool CMainFrame::CanNextVolume() const {
  const CLeftForm* f = LeftForm();
  if (!f || f->m_nCurNode == 0) return false;
  for (int i = f->m_nCurNode + 1; i < f->NodeCount(); ++i)
    if (const NodeItem* e = f->NodeItemAt(i); e && e->level == 3) return true;
  return false;
}

bool CMainFrame::CanPrevHit() const { return LeftForm() && LeftForm()->m_nHitIndex - 1 >= 0; }

bool CMainFrame::CanNextHit() const {
  return LeftForm() && LeftForm()->m_nHitIndex + 1 < LeftForm()->m_nHitCount;
}

void CMainFrame::WritePageBox() {
  if (!LeftForm() || !ToolBar() || !ToolBar()->PageBox()) return;
  ToolBar()->PageBox()->setText(
      CSCrollToolBar::PageBoxText(LeftForm()->m_Index.GetHeaderValue(), LeftForm()->m_nCurPageNo));
}

namespace {
void StepPage(CMainFrame* frame, int delta) {
  CLeftForm* f = frame->LeftForm();
  if (!f) return;
  f->m_nCurPageNo += delta;
  f->ShowDocument(f->m_nCurNode, false, f->m_nCurPageNo);
  if (frame->ToolBar() && frame->ToolBar()->Slider()) frame->ToolBar()->Slider()->setValue(f->m_nCurPageNo);
  frame->WritePageBox();
}

// Makes entry the volume shown, at its first page, with the slider over its pages.
void ShowVolume(CMainFrame* frame, int entry) {
  CLeftForm* f = frame->LeftForm();
  f->m_nCurNode = entry;
  f->ShowDocument(entry, true, 1);
  const NodeItem* e = f->NodeItemAt(entry);
  f->m_nCurPageNo = e->curFileName;
  if (frame->ToolBar() && frame->ToolBar()->Slider()) {
    frame->ToolBar()->Slider()->setRange(e->curFileName, e->curFileName + e->docNo - 1);
    frame->ToolBar()->Slider()->setValue(e->curFileName);
  }
}

void SelectTreeItem(CLeftForm* f, QTreeWidgetItem* target) {
  if (!target) return;
  if (target->parent()) target->parent()->setExpanded(true);
  f->Tree()->setCurrentItem(target);
  f->Tree()->scrollToItem(target);
}
}  // namespace

void CMainFrame::OnNextPage() { StepPage(this, 1); }
void CMainFrame::OnPrevPage() { StepPage(this, -1); }

void CMainFrame::OnNextVolume() {
  CLeftForm* f = LeftForm();
  if (!f) return;
  int found = 0;
  for (int i = f->m_nCurNode + 1; i < f->NodeCount() && !found; ++i)
    if (f->NodeItemAt(i)->level == 3) found = i;
  if (!found) {
    ShowWarning(this, QStringLiteral("もう最後の巻まで至りました。"));
    return;
  }
  ShowVolume(this, found);
  QTreeWidgetItem* target = NextVolumeItem(f->Tree(), f->Tree()->selectedItems().value(0));
  // Without a selected item to step from, the volume's own item is selected.
  SelectTreeItem(f, target ? target : f->TreeItemOf(found));
  WritePageBox();
}

void CMainFrame::OnPrevVolume() {
  CLeftForm* f = LeftForm();
  if (!f) return;
  int found = 0;
  for (int i = f->m_nCurNode - 1; i >= 1 && !found; --i)
    if (f->NodeItemAt(i)->level == 3) found = i;
  if (!found) {
    ShowWarning(this, QStringLiteral("これ以上戻れません。もう巻一に至っています。"));
    f->m_nCurNode = 0;
    return;
  }
  ShowVolume(this, found);
  QTreeWidgetItem* target = PrevVolumeItem(f->Tree(), f->Tree()->selectedItems().value(0));
  SelectTreeItem(f, target ? target : f->TreeItemOf(found));
  WritePageBox();
}

namespace {
void StepHit(CMainFrame* frame, int delta) {
  CLeftForm* f = frame->LeftForm();
  if (!f) return;
  f->m_nHitIndex += delta;
  frame->BookView()->Navigate(f->m_strHitPage + QStringLiteral("#%1").arg(f->m_nHitIndex, 4, 10, QLatin1Char('0')));
}
}  // namespace

void CMainFrame::OnNextHit() { StepHit(this, 1); }
void CMainFrame::OnPrevHit() { StepHit(this, -1); }

void CMainFrame::OnSliderReleased(int position) {
  CLeftForm* f = LeftForm();
  if (!f || f->m_nCurNode == 0) return;
  f->ShowDocument(f->m_nCurNode, false, position);
  f->m_nCurPageNo = position;
  WritePageBox();
}

}  // namespace tevarin
