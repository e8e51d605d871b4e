SELECT d.FBillNo,de.FInterID,de.FEntryID,ts.FName AS FSupplyName,t.FNumber AS FItemNumber,t.FName AS FItemName,de.FAuxQty,
de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS FTaxRate,FTaxAmount,FAllAmount,de.FAuxCommitQty AS FCommitQty,de.FReceiveAmountFor_Commit AS FCommitAmt FROM POOrder d
INNER JOIN POOrderEntry de ON d.FInterID = de.FInterID
INNER JOIN t_ICItemCore t ON t.FItemID = de.FItemID
INNER JOIN t_Supplier ts ON ts.FItemID = d.FSupplyID
Where de.FQtyInvoice =0 AND d.FCancellation =0 And (de.FCess = 17 OR de.FCess = 11) AND d.FDate<'2018-05-01'
