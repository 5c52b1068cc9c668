// The Ready page's summary of the user's choices, built as plain text. Freestanding, so the
// native tests check it for every combination of choices.
#include "ready_summary.h"

#include "common/text.h"

// The summary so far: pieces are added while they fit; the first one that does not is cut
// to the buffer and everything after it is dropped.
struct SummaryText {
    char* buffer;
    size_t size;
    size_t length;
    int whole;
};

static void AddPiece(SummaryText* text, const char* piece)
{
    if (!text->whole)
        return;
    text->whole = CopyTextBounded(text->buffer + text->length, text->size - text->length, piece);
    text->length += GetTextLength(text->buffer + text->length);
}

int BuildReadySummary(const ReadySummary* summary, char* buffer, size_t size)
{
    SummaryText text = {buffer, size, 0, 1};
    buffer[0] = 0;
    AddPiece(&text, summary->installDirLabel);
    AddPiece(&text, "\r\n\t");
    AddPiece(&text, summary->installDir);
    AddPiece(&text, "\r\n");
    if (summary->menuFolder) {
        AddPiece(&text, "\r\n");
        AddPiece(&text, summary->menuFolderLabel);
        AddPiece(&text, "\r\n\t");
        AddPiece(&text, summary->menuFolder);
        AddPiece(&text, "\r\n");
    }
    int anyTask = 0;
    for (int task = 0; task < TASK_COUNT; ++task)
        anyTask |= summary->tasks[task] != 0;
    if (anyTask) {
        AddPiece(&text, "\r\n");
        AddPiece(&text, summary->tasksLabel);
        AddPiece(&text, "\r\n");
        for (int task = 0; task < TASK_COUNT; ++task) {
            if (summary->tasks[task]) {
                AddPiece(&text, "\t");
                AddPiece(&text, summary->taskLabels[task]);
                AddPiece(&text, "\r\n");
            }
        }
    }
    return text.whole;
}
