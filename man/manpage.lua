-- A docs/ page as the body of a manual page: its title goes (the page has a
-- NAME of its own), its sections become the page's sections in capitals,
-- links keep their text, and tables fit in 80 columns.
function Header(h)
  if h.level == 1 then return {} end
  h.level = h.level - 1
  if h.level == 1 then h.content = pandoc.text.upper(pandoc.utils.stringify(h)) end
  return h
end

function Link(link) return link.content end

function Table(t)
  for _, spec in ipairs(t.colspecs) do
    if type(spec[2]) == "number" then spec[2] = spec[2] * 0.9 end
  end
  return t
end
