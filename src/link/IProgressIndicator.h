#pragma once

// The progress indicator that the counter link drives while it transfers a
// table: a range, a position and a step of one. The desktop program shows it
// in the status bar, ktrctl on the terminal, tests record the calls.
class IProgressIndicator {
public:
    virtual ~IProgressIndicator() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPos(int pos) = 0;
    virtual void StepIt() = 0;
};

// An indicator that shows nothing; used where no progress is wanted.
class CNullProgress : public IProgressIndicator {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void StepIt() override {}
};

// The process-wide progress indicator that a counter link uses when it is
// given none of its own. Front ends install theirs; the default shows nothing.
IProgressIndicator& ProgressIndicator();
void SetProgressIndicator(IProgressIndicator* indicator);
