#pragma once

// Removes the keyboard and mouse messages waiting in the calling thread's
// queue. Keys and clicks given while a long operation held the thread would
// otherwise reach the next message box and close it before it is read.
void DiscardPendingInput();
