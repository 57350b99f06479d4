#pragma once
// The SQL script the colouring benchmarks work on: about 100 KB of the queries people keep in
// the SQL window, with comments, quoted names and strings, upper- and lower-case words and a few
// non-ASCII letters. Line ends are '\n' as the editor's document gives them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet::bench {

inline std::string MakeSqlScript(std::size_t bytes) {
  const std::vector<std::string> pieces = {
      "-- customers who ordered this year\n",
      "select c.id, c.name, c.city from customers c where c.active = 1 order by c.name;\n",
      "/* totals per month,\n   kept for the monthly report */\n",
      "SELECT o.id, o.total FROM orders o WHERE o.note like '%r\xC3\xA9sum\xC3\xA9%';\n",
      "select count(*) from \"order lines\" where price > 10 and qty < 5;\n",
      "select * from products where name like 'it\\'s%' // an escaped quote\n",
      "select p.name, sum(l.qty) as sold from products p join lines l on l.product = p.id\n",
      "  group by p.name having sum(l.qty) > 100 order by sold desc;\n",
      "update stock set qty = qty - 1 where id = 42;\n",
      "select id,name,created from audit_log where message like 'login%' and user_id in (1,2,3);\n",
  };
  std::string script;
  std::uint32_t seed = 12345;
  while (script.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    script += pieces[(seed >> 16) % pieces.size()];
  }
  script.resize(bytes);
  return script;
}

}  // namespace quillet::bench
