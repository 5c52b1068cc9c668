// Inflation into a mapped view that survives the view's in-page errors: a write that meets a
// full disk raises an exception, EXCEPTION_IN_PAGE_ERROR on Windows, an access violation on Wine.
#include "common/win32/view_guard.h"

#include <windows.h>

enum {
    BUILTIN_SETJMP_WORDS = 5,   // the buffer that __builtin_setjmp takes
};

// A frame of this thread's exception-handler chain, which the system keeps at FS:0 and walks
// from there: it needs no language runtime, and it sees the fault although that happens in
// another module's inflate, since the chain belongs to the thread, not to a module. (A vectored
// handler would do as well but exists only from Windows XP on.) The handler unwinds the chain
// to this frame and resumes in InflateIntoView, as an __except block would.
struct ViewGuard {
    EXCEPTION_REGISTRATION_RECORD registration; // first: the chain holds its address
    ULONG_PTR viewStart;
    ULONG_PTR viewSize;
    void* resume[BUILTIN_SETJMP_WORDS];
};

// The thread's information block, whose first field is the chain's head; FS:0x18 holds the
// block's own address on every Win32 system.
static NT_TIB* GetThreadBlock(void)
{
    NT_TIB* block;
    __asm__("movl %%fs:0x18, %0" : "=r"(block));
    return block;
}

// Takes a fault on the view's own addresses; any other exception, a real bug included, goes
// on to the next handler. Wine reports the full disk as an access violation: its file is
// sparse, and Linux signals the write that finds no page to allocate for it.
static EXCEPTION_DISPOSITION NTAPI CatchViewFault(EXCEPTION_RECORD* record, void* frame,
                                                  CONTEXT* context, void* dispatcher)
{
    (void)context;
    (void)dispatcher;
    ViewGuard* guard = (ViewGuard*)frame;
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) ||
        (record->ExceptionCode != EXCEPTION_IN_PAGE_ERROR &&
         record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) ||
        record->NumberParameters < 2 ||
        record->ExceptionInformation[1] - guard->viewStart >= guard->viewSize)
        return ExceptionContinueSearch;
    RtlUnwind(frame, NULL, record, NULL); // the dispatcher's frames above this one go
    __builtin_longjmp(guard->resume, 1);
}

// The inflater's state on the heap is abandoned after a fault: the extraction ends there, once.
ViewInflation InflateIntoView(DecompressCallback decompress, const unsigned char* source,
                              unsigned int sourceLength, unsigned char* view, unsigned int viewSize)
{
    ViewGuard guard;
    guard.registration.Handler = CatchViewFault;
    guard.registration.Next = GetThreadBlock()->ExceptionList;
    guard.viewStart = (ULONG_PTR)view;
    guard.viewSize = viewSize;
    if (__builtin_setjmp(guard.resume)) {
        GetThreadBlock()->ExceptionList = guard.registration.Next;
        return VIEW_FAULTED;
    }
    GetThreadBlock()->ExceptionList = &guard.registration;
    int inflated = decompress(source, view, sourceLength, viewSize);
    GetThreadBlock()->ExceptionList = guard.registration.Next;
    return inflated ? VIEW_INFLATED : VIEW_STREAM_FAILED;
}
