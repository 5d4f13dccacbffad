#include "consoles/machines/machine_list_loader.h"

#include "consoles/machines/machine_list_request.h"
#include "consoles/machines/page_row_pipeline.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace ydt {

MachineListLoader::MachineListLoader(BackendClient& client, Prompter& prompter, Pauser& pauser,
                                     WindowRef owner)
    : client_(client), prompter_(prompter), pauser_(pauser), owner_(owner) {}

MachineListLoader::Result MachineListLoader::Load(const Request& request, std::stop_token stop,
                                                  const PageProgress& progress) {
  Result result;
  if (!RequireAccessKeys(request.keys, prompter_)) {
    result.outcome = Outcome::MissingKeys;
    return result;
  }

  const BackendRequest count = MachineCountRequest(request.kind, request.keys, request.regionCode);
  JsonDoc doc;
  const std::string noTitle;
  if (client_.CallBackend(count.path, kPost, count.form, nullptr, owner_, false,
                          request.quiet ? noTitle : count.title, &doc) != 0) {
    result.outcome = Outcome::CountFailed;
    return result;
  }
  result.total = TextToInt(doc.GetText(std::string(Info(request.kind).totalPath)));
  const int pageCount = MachineListPageCount(result.total);

  pauser_.Pause(PauseBeforePages(request.batchDelay));

  // Each reply is read on the pipeline's thread while the next page is being exchanged.
  PageRowPipeline pipeline(client_, owner_, request.kind, Info(request.kind).firstRowNumber);
  for (int page = 1; page <= pageCount; ++page) {
    // A newer load of the same grid makes this one's rows worthless; stop asking.
    if (stop.stop_requested()) {
      result.outcome = Outcome::Cancelled;
      return result;
    }
    // Reading runs at most one page behind the exchanges, so an empty page ends the load
    // with one page more sent at most: a total far above what the backend holds would
    // otherwise have it ask page after page for hours.
    if (page > 2 && !pipeline.ListGoesOnAfter(page - 2)) break;
    if (progress) progress(page, pageCount);
    const BackendRequest pageRequest =
        MachinePageRequest(request.kind, request.keys, request.regionCode, page, result.total);
    pipeline.Push(client_.Exchange(pageRequest.path, kPost, pageRequest.form),
                  request.quiet ? noTitle : pageRequest.title);
  }
  if (stop.stop_requested()) {
    result.outcome = Outcome::Cancelled;
    return result;
  }
  result.outcome = Outcome::Loaded;
  result.rows = pipeline.Finish();
  return result;
}

}  // namespace ydt
