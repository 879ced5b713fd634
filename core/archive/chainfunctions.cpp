#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlQuery>

// On PostgreSQL the chained tables are appended to through functions the archive's owner holds:
// each takes a row's values, draws its seq, computes its hash exactly as rowHash() does and moves
// its chain's tip, all as the owner. The programs' role may run them and read, nothing else: it
// cannot write a hash or a tip of its own.
namespace archive::chain {

namespace {
// A value in the text rowHash() hashes, as SQL over the parameter.
QString canonical(Kind kind, const QString &p)
{
    QString text;
    switch (kind) {
    case Kind::Text: text = p; break;
    case Kind::Int: text = p + QStringLiteral("::text"); break;
    case Kind::Blob: text = QStringLiteral("encode(%1, 'hex')").arg(p); break;
    case Kind::Real: text = QStringLiteral("wl_real_text(%1)").arg(p); break;
    case Kind::Time: text = QStringLiteral("to_char(%1 AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')").arg(p); break;
    }
    return QStringLiteral("wl_field('%1', %2)").arg(QString(QLatin1Char("tibrd"[int(kind)])), text);
}

// A double as QByteArray::number(v, 'g', QLocale::FloatingPointShortest) writes it: the shortest
// digits that read back as v, in decimal or exponent form, whichever is shorter (decimal at a tie).
const char *realText = R"(CREATE OR REPLACE FUNCTION wl_real_text(v double precision) RETURNS text
LANGUAGE plpgsql IMMUTABLE SET extra_float_digits = 1 AS $$
DECLARE s text; sign text := ''; e int := 0; d text; p int; point int; dec_len int; exp_len int;
BEGIN
  IF v IS NULL THEN RETURN NULL; END IF;
  IF v = 'NaN'::float8 THEN RETURN 'nan'; END IF;
  IF v = 'Infinity'::float8 THEN RETURN 'inf'; END IF;
  IF v = '-Infinity'::float8 THEN RETURN '-inf'; END IF;
  IF v = 0 THEN RETURN '0'; END IF;
  s := v::text;
  IF v < 0 THEN sign := '-'; s := substr(s, 2); END IF;
  IF strpos(s, 'e') > 0 THEN e := split_part(s, 'e', 2)::int; s := split_part(s, 'e', 1); END IF;
  p := strpos(s, '.');
  IF p = 0 THEN p := length(s) + 1; END IF;
  d := replace(s, '.', '');
  point := p - 1 + e - (length(d) - length(ltrim(d, '0')));
  d := rtrim(ltrim(d, '0'), '0');
  dec_len := CASE WHEN point <= 0 THEN 2 - point + length(d) WHEN point < length(d) THEN length(d) + 1 ELSE point END;
  exp_len := length(d) + CASE WHEN length(d) > 1 THEN 1 ELSE 0 END + 2 + greatest(2, length(abs(point - 1)::text));
  IF dec_len <= exp_len THEN
    RETURN sign || CASE WHEN point <= 0 THEN '0.' || repeat('0', -point) || d
                        WHEN point < length(d) THEN left(d, point) || '.' || substr(d, point + 1)
                        ELSE d || repeat('0', point - length(d)) END;
  END IF;
  RETURN sign || left(d, 1) || CASE WHEN length(d) > 1 THEN '.' || substr(d, 2) ELSE '' END
         || 'e' || CASE WHEN point < 1 THEN '-' ELSE '+' END || CASE WHEN abs(point - 1) < 10 THEN '0' ELSE '' END
         || abs(point - 1)::text;
END $$)";

// Length-prefixed, as rowHash() writes a field.
const char *fieldText = "CREATE OR REPLACE FUNCTION wl_field(kind text, v text) RETURNS text LANGUAGE sql IMMUTABLE AS"
                        " $$ SELECT CASE WHEN v IS NULL THEN '-' ELSE kind || octet_length(convert_to(v, 'UTF8')) || ':' || v END $$";
} // namespace

QString appendFunction(const Table &t)
{
    return QStringLiteral("wl_append_%1").arg(QLatin1String(t.name));
}

namespace {
QStringList appendFunctionStatements(const QString &schema)
{
    QStringList s{QLatin1String(realText), QLatin1String(fieldText)};
    QStringList highest;
    for (const Table &t : tables())
        highest << QStringLiteral("SELECT MAX(seq) AS m FROM %1").arg(QLatin1String(t.name));
    highest << QStringLiteral("SELECT MAX(last_seq) FROM chain_tips");
    for (const Table &t : tables()) {
        const schema::Table &st = schema::table(t.name);
        QStringList params{QStringLiteral("skip_taken boolean")}, columns{QStringLiteral("seq")}, values{QStringLiteral("s")},
            fields{canonical(Kind::Int, QStringLiteral("s"))}, same;
        QString chain = QStringLiteral("''");
        for (int i = 1; i < t.columns.size(); ++i) {
            const QString p = QStringLiteral("p%1").arg(i), name = QLatin1String(t.columns[i].name);
            for (const schema::Column &c : st.columns)
                if (name == QLatin1String(c.name))
                    params << p + QLatin1Char(' ') + QLatin1String(c.postgres);
            columns << name;
            values << p;
            fields << canonical(t.columns[i].kind, p);
            if (st.primaryKey.contains(name))
                same << QStringLiteral("%1 = %2").arg(name, p);
            if (t.perRecorder && name == QLatin1String("recorder"))
                chain = p;
        }
        // A key made of the seq alone is never taken: the seq is new.
        const QString taken = same.isEmpty() ? QStringLiteral("false") : QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %2)")
                                                                             .arg(QLatin1String(t.name), same.join(QStringLiteral(" AND ")));
        const QString f = appendFunction(t);
        s << QStringLiteral("CREATE OR REPLACE FUNCTION %1(%2) RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER"
                            " SET search_path = %3, pg_temp AS $$\n"
                            "DECLARE s bigint; prev text; n bigint; h text; ch text := %4;\n"
                            "BEGIN\n"
                            "  PERFORM pg_advisory_xact_lock(8806);\n"
                            "  IF skip_taken AND %5 THEN RETURN NULL; END IF;\n"
                            "  SELECT hash, rows INTO prev, n FROM chain_tips WHERE tbl = '%6' AND recorder = ch;\n"
                            "  SELECT COALESCE(MAX(m), 0) + 1 INTO s FROM (%7) AS x;\n"
                            "  h := encode(sha256(convert_to('%6' || chr(10) || COALESCE(prev, '') || chr(10) || %8, 'UTF8')), 'hex');\n"
                            "  INSERT INTO %6 (%9, hash) VALUES (%10, h);\n"
                            "  INSERT INTO chain_tips (tbl, recorder, last_seq, rows, hash) VALUES ('%6', ch, s, COALESCE(n, 0) + 1, h)\n"
                            "    ON CONFLICT (tbl, recorder) DO UPDATE SET last_seq = excluded.last_seq, rows = excluded.rows, hash = excluded.hash;\n"
                            "  RETURN s;\n"
                            "END $$")
                 .arg(f, params.join(QStringLiteral(", ")), schema, chain, taken, QLatin1String(t.name),
                      highest.join(QStringLiteral(" UNION ALL ")), fields.join(QStringLiteral(" || ")),
                      columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
        // Only the roles the owner grants it to may append.
        s << QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(f);
    }
    return s;
}
} // namespace

bool installAppendFunctions(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT current_schema()")) || !q.next()) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档的模式"), q.lastError());
        return false;
    }
    const QString schema = db.driver()->escapeIdentifier(q.value(0).toString(), QSqlDriver::TableName);
    return sql::execAll(db, appendFunctionStatements(schema), error);
}

} // namespace archive::chain
