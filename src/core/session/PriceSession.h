// A Price search over the scenario of a workspace, from the first model run to
// the last trial: connect the model, check that the search can start, draw
// the initial sets or resume from a checkpoint file, iterate, and save a
// checkpoint after every step when asked to. The command line runs it on its
// own thread; a desktop window can run it on a worker thread and stop it with
// RequestAbort() from the user interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "optim/PriceOptions.h"

namespace kelmar {

struct Workspace;
class TPriceAlg;

// How a step of the session ended.
struct PriceStep {
  enum Kind {
    kOk,
    kRefused,    // the search cannot start (message: the program's refusal)
    kModelFault, // the model run before the search failed (message, plus detail: the step)
    kInvalidId,  // the checkpoint file is not one
    kFileError,  // the checkpoint file could not be read or written
    kStopped,    // aborted or stopped on request; the checkpoint is complete
  } kind = kOk;
  std::string message;
  std::string detail;
  bool ok() const { return kind == kOk; }
};

class PriceSession {
public:
  // alg must be a search over ws; both outlive the session.
  PriceSession(Workspace& ws, TPriceAlg& alg);
  PriceSession(const PriceSession&) = delete;
  PriceSession& operator=(const PriceSession&) = delete;

  // After every step of the search, on the thread running it.
  std::function<void(const TPriceAlg&)> OnProgress;
  // Polled after every step; true stops the search there (as an abort does).
  std::function<bool()> StopRequested;

  // Runs the model, takes over the options, connects the search to the model
  // and checks that it can start; with a seed, seeds the random generator.
  PriceStep Prepare(const PriceOptions& options, std::optional<uint32_t> seed);

  // With a checkpoint file: every step is saved to it, and when it exists the
  // search is restored from it (with its options, ranges and random state).
  PriceStep UseCheckpoint(const std::string& stateFile);
  bool resumed() const { return resumed_; }

  // Draws the initial sets (or finishes a restored search) and, unless
  // initOnly, iterates. A checkpoint that cannot be written stops the search
  // at the next step and is reported as kFileError.
  PriceStep Search(bool initOnly);

  // Stops the search at its next step; safe from any thread.
  void RequestAbort() { abort_ = true; }

  // Initial sets and counted trials completed in this session; safe from any thread.
  long StepsDone() const { return steps_; }

private:
  bool stopNow();

  Workspace& ws_;
  TPriceAlg& alg_;
  std::string stateFile_;
  std::string saveError_;
  bool resumed_ = false;
  bool stopped_ = false;
  std::atomic<long> steps_{0};
  std::atomic<bool> abort_{false};
};

} // namespace kelmar
