" Vesk scripts: files ending in .vsk, and scripts started through vesk.
autocmd BufRead,BufNewFile *.vsk setfiletype vesk
autocmd BufRead,BufNewFile * if getline(1) =~# '^#!.*\<vesk\>' | setfiletype vesk | endif
