// A connection whose first line is an HTTP request: one command, one
// answer, then the end.
#include "remote/remote_connection.h"

#include <cstdio>
#include <cstring>

namespace {

struct StatusRow {
  int status;
  HttpVerdict verdict;
  const char* reason;
  const char* body;  // the answer to a request refused before any command
};

const StatusRow kStatuses[] = {
    {200, HTTP_COMMAND, "OK", ""},
    {400, HTTP_BAD_REQUEST, "Bad Request", "error: bad request"},
    {403, HTTP_FORBIDDEN, "Forbidden", "error: token needed"},
    {404, HTTP_NOT_FOUND, "Not Found", "error: not found"},
    {405, HTTP_BAD_METHOD, "Method Not Allowed", "error: method not allowed"},
};

const StatusRow& RowOf(int status) {
  for (const StatusRow& row : kStatuses)
    if (row.status == status) return row;
  return kStatuses[1];
}

}  // namespace

void HttpAnswer(Connection* c, RemoteSide* side, int status, const char* body) {
  const StatusRow& row = RowOf(status);
  const size_t length = std::strlen(body);
  char head[256];
  const int n =
      snprintf(head, sizeof head,
               "HTTP/1.1 %d %s\r\nContent-Type: text/plain\r\nContent-Length: %zu\r\n%sConnection: close\r\n\r\n",
               row.status, row.reason, length > 0 ? length + 1 : 0, status == 405 ? "Allow: GET\r\n" : "");
  ConnectionQueue(c, side, head, static_cast<size_t>(n));
  if (length == 0) return;
  ConnectionQueue(c, side, body, length);
  ConnectionQueue(c, side, "\n", 1);
}

void ConnectionHttp(Connection* c, RemoteSide* side, uint32_t now) {
  HttpRequest& request = side->request;
  const HttpVerdict verdict = ParseHttpRequest(c->in, c->inUsed, side->token, &request);
  if (verdict == HTTP_INCOMPLETE) return;
  if (verdict == HTTP_COMMAND) {
    side->reply[0] = 0;
    const RemoteOutcome outcome =
        side->handler.line(side->handler.context, c->number, request.command, side->reply, sizeof side->reply);
    side->reply[sizeof side->reply - 1] = 0;
    HttpAnswer(c, side, outcome == REMOTE_ERROR ? 400 : 200, side->reply);
  } else {
    for (const StatusRow& row : kStatuses)
      if (row.verdict == verdict) HttpAnswer(c, side, row.status, row.body);
  }
  ConnectionFinish(c, side, now);
}
