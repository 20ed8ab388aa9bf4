// The left pane of the main window, built by the navigation form's code.
#pragma once

class QWidget;

namespace tevarin {

class CMainFrame;

// Builds the left pane as a child of parent while the frame is constructed.
QWidget* CreateLeftPane(CMainFrame* frame, QWidget* parent);
// The pane's initial update, once the frame is complete.
void InitialUpdateLeftPane(CMainFrame* frame, QWidget* pane);

}  // namespace tevarin
