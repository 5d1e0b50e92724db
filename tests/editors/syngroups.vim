" Run by editors_test.sh inside vim -es, with the sample open: the syntax
" group at each place the table names, then of each word of the language on
" a line of its own; every mismatch is written to g:out as a FAILED line.
let s:failed = []
if &filetype !=# 'vesk'
  call add(s:failed, 'FAILED: Vim: the sample is not detected as vesk (filetype "' . &filetype . '")')
endif
let s:text = getline(1, '$')

function! s:GroupAt(line, col) abort
  let name = synIDattr(synID(a:line, a:col, 1), 'name')
  return name ==# '' ? '-' : name
endfunction

for s:row in readfile(g:table)
  if s:row =~# '^\s*\%(#\|$\)'
    continue
  endif
  let [s:expected, s:scope; s:rest] = split(s:row, '\s\+')
  let s:piece = substitute(s:row, '^\S\+\s\+\S\+\s\+', '', '')
  let s:at = stridx(s:piece, '@')
  let s:plain = substitute(s:piece, '@', '', '')
  let s:where = []
  for s:n in range(len(s:text))
    let s:col = stridx(s:text[s:n], s:plain)
    if s:col >= 0
      let s:where = [s:n + 1, s:col + s:at + 1]
      break
    endif
  endfor
  if empty(s:where)
    call add(s:failed, 'FAILED: Vim: the sample has no ' . s:plain)
    continue
  endif
  let s:got = s:GroupAt(s:where[0], s:where[1])
  if s:got !=# s:expected
    call add(s:failed, 'FAILED: Vim: ' . s:piece . ' (line ' . s:where[0] . '): group ' . s:got . ', expected ' . s:expected)
  endif
endfor

let s:kinds = {
      \ 'keyword': '^vesk\%(Conditional\|Repeat\|Statement\|Exception\|Storage\|New\|Boolean\|Null\|Function\)$',
      \ 'builtin': '^veskBuiltin$',
      \ 'class': '^veskClass$',
      \ 'global': '^veskPredefined$'}
let s:words = map(readfile(g:words), 'split(v:val)')
enew
setfiletype vesk
call setline(1, map(copy(s:words), 'v:val[1]'))
for s:n in range(len(s:words))
  let [s:kind, s:word] = s:words[s:n]
  let s:got = s:GroupAt(s:n + 1, 1)
  let s:last = s:GroupAt(s:n + 1, len(s:word))
  if s:got !~# s:kinds[s:kind] || s:last !=# s:got
    call add(s:failed, 'FAILED: Vim: the ' . s:kind . ' ' . s:word . ' gets group ' . s:got)
  endif
endfor
call writefile(s:failed, g:out)
